// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command-line arguments as Qt text and back, byte for byte. A file name need not be UTF-8,
// and Qt's own decoding turns every stray byte into U+FFFD, so two names could become one.
// Here a byte that is not part of valid UTF-8 becomes a lone low surrogate U+DC80..U+DCFF,
// which valid UTF-8 never yields, and turns back into the same byte.
#include <QString>
#include <string>

namespace morvane::cli {

QString ArgumentText(const std::string& bytes);
std::string ArgumentBytes(const QString& text);

}  // namespace morvane::cli
