// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/argument_bytes.h"

namespace morvane::cli {
namespace {

constexpr char16_t kEscape = 0xDC00;  // plus the byte, 0x80..0xFF

bool InRange(const std::string& bytes, std::size_t at, unsigned low, unsigned high) {
    if (at >= bytes.size()) return false;
    const auto byte = static_cast<unsigned char>(bytes[at]);
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at `at` (as Unicode defines it: no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0.
std::size_t SequenceLength(const std::string& bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) return 1;
    unsigned low = 0x80, high = 0xBF;  // the bounds of the second byte
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (!InRange(bytes, at + 1, low, high)) return 0;
    for (std::size_t next = at + 2; next < at + length; ++next)
        if (!InRange(bytes, next, 0x80, 0xBF)) return 0;
    return length;
}

}  // namespace

QString ArgumentText(const std::string& bytes) {
    QString text;
    for (std::size_t at = 0; at < bytes.size();) {
        if (const std::size_t length = SequenceLength(bytes, at)) {
            // Decoded here: Qt's decoder drops a byte order mark, a character of the name.
            const auto lead = static_cast<unsigned char>(bytes[at]);
            char32_t point = length == 1 ? lead : lead & (0x7F >> length);
            for (std::size_t next = at + 1; next < at + length; ++next)
                point = (point << 6) | (static_cast<unsigned char>(bytes[next]) & 0x3F);
            text += QChar::fromUcs4(point);
            at += length;
        } else {
            text += QChar(kEscape + static_cast<unsigned char>(bytes[at++]));
        }
    }
    return text;
}

std::string ArgumentBytes(const QString& text) {
    std::string bytes;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at].unicode();
        // A pair is one character; only a lone escape stands for a byte.
        if (QChar::isHighSurrogate(unit) && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            bytes += text.mid(at++, 2).toStdString();
        } else if (unit >= kEscape + 0x80 && unit <= kEscape + 0xFF) {
            bytes += static_cast<char>(unit - kEscape);
        } else {
            bytes += QString(text[at]).toStdString();
        }
    }
    return bytes;
}

}  // namespace morvane::cli
