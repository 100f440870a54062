// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the About window says: the program tag, the five line texts and where the program's
// documentation lives.
#include <QDate>
#include <QString>

#include <array>

namespace morvane {

inline constexpr int kAboutLineCount = 5;

// "Morvane_KT": the window caption ends with it and the last line starts with it.
QString ProgramTag();

// The folder holding the program's README.md, or "" when there is none: share/doc/morvane
// beside the installed program first, else the source checkout the program was built from
// (`sourceFolder`, "" for an installable build). Never a folder without the README.
QString DocumentationFolderFor(const QString& programFolder, const QString& sourceFolder);
QString DocumentationFolder();

// The lines by index: 0 the notice (two text lines, the first ending with the
// year of `today`), 1 the status line, 2 the documentation file, 3 the documentation folder,
// 4 the tag, four spaces, "v." and the version text.
//
// Lines 2 and 3 stand where a web site and a mail address would be: the program has neither,
// so they name what really exists, the bundled documentation and its folder, and a click opens
// them. With no documentation found (`documentation` empty) they say so instead, and the
// command that prints the built-in help, and a click opens nothing.
std::array<QString, kAboutLineCount> AboutLineTexts(const QDate& today,
                                                    const QString& documentation);

}  // namespace morvane
