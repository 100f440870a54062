// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The version as the About window shows it: "MM.mm.rrrr".
#include <QString>

namespace morvane {

// The rightmost `width` characters of `width` copies of `fill` followed by `text`: pads on
// the left, and keeps only the last `width` characters of a longer text.
QString PadLeft(const QString& text, int width, QChar fill);

// Major and minor as two digits, the revision as four, zero-padded and joined by ".";
// 1.2.3 gives "01.02.0003" and a revision of 12345 gives "2345". Written without sign.
QString VersionText(int major, int minor, int revision);

// The version of this build (the CMake project version).
QString VersionText();

}  // namespace morvane
