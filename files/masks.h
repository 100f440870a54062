// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The list of search masks and the test of a file name against it.
#include <QString>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvane {

// One mask, upper-cased and parsed once, so matching a name does no parsing.
class Pattern {
  public:
    explicit Pattern(std::u32string_view upperMask);
    // The whole (upper-cased) name against the whole mask.
    bool Matches(std::u32string_view upperName) const;

  private:
    enum class Kind { Literal, AnyOne, Digit, AnyRun, Set };
    struct Token {
        Kind kind = Kind::Literal;
        char32_t ch = 0;                                    // Literal
        bool negated = false;                               // Set: "[!...]"
        std::vector<std::pair<char32_t, char32_t>> ranges;  // Set: inclusive ranges
    };
    static bool TokenMatches(const Token& token, char32_t c);
    std::vector<Token> tokens_;
};

class MaskList {
  public:
    // Splits the text at every ";" (empty pieces kept); returns the upper index, -1 for none.
    int SetMasks(std::string_view maskText);
    // True when the (UTF-8) name matches at least one mask, both upper-cased first.
    bool MatchesMask(std::string_view fileName) const;
    int UpperIndex() const { return static_cast<int>(masks_.size()) - 1; }

  private:
    std::vector<Pattern> masks_;  // upper-cased and parsed once
};

// The pattern language on its own: ? * # [list] [!list], whole name against whole mask.
bool MatchPattern(const QString& upperName, const QString& upperMask);

// A UTF-8 file name (or mask) upper-cased character by character, one element per character:
// a character whose capital is several characters ("ß") keeps its own form, so a name keeps
// its length. Bytes that are not valid UTF-8 become U+FFFD each, so such names still match
// "*" and "*.jpg".
std::u32string UpperCaseName(std::string_view utf8Name);

}  // namespace morvane
