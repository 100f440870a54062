// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/masks.h"

#include <algorithm>

namespace morvane {
namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::u32string UpperCaseName(std::string_view utf8Name) {
    // Most names are plain ASCII; they skip the round trip through QString.
    if (IsAscii(utf8Name)) {
        std::u32string upper(utf8Name.size(), U'\0');
        std::transform(utf8Name.begin(), utf8Name.end(), upper.begin(), [](char c) {
            return static_cast<char32_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        });
        return upper;
    }
    // Character by character: a whole-string upper-casing turns "ß" into "SS", and then "?"
    // would no longer stand for one character of the name as the user sees it. A character
    // whose capital is several characters keeps its own form.
    std::u32string upper =
        QString::fromUtf8(utf8Name.data(), static_cast<qsizetype>(utf8Name.size()))
            .toStdU32String();
    for (char32_t& c : upper) c = QChar::toUpper(c);
    return upper;
}

// Mask syntax: "?" one character, "*" any run, "#" one digit 0-9, "[list]" one character in
// the list, "[!list]" one character not in it; in a list "a-z" is a range in code order and
// a "-" first or last stands for itself. Masks that break these rules are not rejected:
// - a "[" with no "]" after it is an ordinary character;
// - a list ends at the first "]", so "[]" matches no character and "[!]" any one;
// - a range written in descending order ("[z-a]") contains nothing.
Pattern::Pattern(std::u32string_view mask) {
    for (std::size_t i = 0; i < mask.size(); ++i) {
        Token token;
        switch (mask[i]) {
            case U'?':
                token.kind = Kind::AnyOne;
                break;
            case U'#':
                token.kind = Kind::Digit;
                break;
            case U'*':
                // Runs of stars mean the same as one.
                if (!tokens_.empty() && tokens_.back().kind == Kind::AnyRun) continue;
                token.kind = Kind::AnyRun;
                break;
            case U'[': {
                const std::size_t close = mask.find(U']', i + 1);
                if (close == std::u32string::npos) {
                    token.ch = U'[';
                    break;
                }
                std::u32string_view list = mask.substr(i + 1, close - i - 1);
                token.kind = Kind::Set;
                if (!list.empty() && list.front() == U'!') {
                    token.negated = true;
                    list.remove_prefix(1);
                }
                for (std::size_t k = 0; k < list.size();) {
                    const bool range = k + 2 < list.size() && list[k + 1] == U'-';
                    const char32_t low = list[k];
                    const char32_t high = range ? list[k + 2] : low;
                    if (low <= high) token.ranges.emplace_back(low, high);
                    k += range ? 3 : 1;
                }
                i = close;
                break;
            }
            default:
                token.ch = mask[i];
        }
        tokens_.push_back(std::move(token));
    }
}

bool Pattern::TokenMatches(const Token& token, char32_t c) {
    switch (token.kind) {
        case Kind::Literal:
            return c == token.ch;
        case Kind::AnyOne:
            return true;
        case Kind::Digit:
            return c >= U'0' && c <= U'9';
        case Kind::Set: {
            const bool inList = std::any_of(
                token.ranges.begin(), token.ranges.end(),
                [c](const auto& range) { return c >= range.first && c <= range.second; });
            return inList != token.negated;
        }
        case Kind::AnyRun:
            break;
    }
    return false;
}

// Greedy matching that, on a mismatch, lets the last "*" take one more character: every
// other token takes exactly one character, so this finds a match whenever one exists, in at
// most name length times mask length steps (no exponential backtracking).
bool Pattern::Matches(std::u32string_view upperName) const {
    constexpr std::size_t kNoStar = static_cast<std::size_t>(-1);
    std::size_t t = 0;
    std::size_t n = 0;
    std::size_t afterStar = kNoStar;
    std::size_t starTakenUpTo = 0;
    while (n < upperName.size()) {
        if (t < tokens_.size() && tokens_[t].kind == Kind::AnyRun) {
            afterStar = ++t;
            starTakenUpTo = n;
        } else if (t < tokens_.size() && TokenMatches(tokens_[t], upperName[n])) {
            ++t;
            ++n;
        } else if (afterStar != kNoStar) {
            t = afterStar;
            n = ++starTakenUpTo;
        } else {
            return false;
        }
    }
    while (t < tokens_.size() && tokens_[t].kind == Kind::AnyRun) ++t;
    return t == tokens_.size();
}

int MaskList::SetMasks(std::string_view maskText) {
    masks_.clear();
    if (maskText.empty()) return UpperIndex();
    for (std::size_t start = 0;;) {
        const std::size_t end = maskText.find(';', start);
        const std::string_view piece =
            maskText.substr(start, end == std::string_view::npos ? end : end - start);
        masks_.emplace_back(UpperCaseName(piece));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return UpperIndex();
}

bool MaskList::MatchesMask(std::string_view fileName) const {
    if (masks_.empty()) return false;
    const std::u32string upperName = UpperCaseName(fileName);
    return std::any_of(masks_.begin(), masks_.end(),
                       [&upperName](const Pattern& mask) { return mask.Matches(upperName); });
}

bool MatchPattern(const QString& upperName, const QString& upperMask) {
    return Pattern(upperMask.toStdU32String()).Matches(upperName.toStdU32String());
}

}  // namespace morvane
