// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/threshold.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "files/sizes.h"

namespace morvane {
namespace {

std::string WithoutBlanks(std::string_view text) {
    std::string kept;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\n') kept += c;
    return kept;
}

double PrefixedInteger(std::string_view digits, int base) {
    double value = 0;
    for (const char c : digits) {
        const int d = std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : (std::isxdigit(static_cast<unsigned char>(c)) && base == 16
                                 ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                                 : base);
        if (d >= base) break;
        value = value * base + d;
    }
    return value;
}

// Length of the decimal number at the start: [sign] digits [. digits] [exponent].
std::size_t DecimalLength(const std::string& s) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0;
    const std::size_t beforeExponent = i;
    if (i < s.size() && std::strchr("eEdD", s[i])) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits() == 0) i = beforeExponent;
    }
    return i;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        if (kind == 'H') return PrefixedInteger(std::string_view(s).substr(2), 16);
        if (kind == 'O') return PrefixedInteger(std::string_view(s).substr(2), 8);
    }
    std::string number = s.substr(0, DecimalLength(s));
    if (number.empty()) return 0;
    for (char& c : number)
        if (c == 'd' || c == 'D') c = 'e';
    return std::strtod(number.c_str(), nullptr);
}

ThresholdSetting ParseThreshold(std::string_view text) {
    const double value = RoundHalfEven(LeadingNumber(text));
    if (value <= 0) return {1, "1"};
    if (value > 100) return {100, "100"};
    return {static_cast<int>(value), std::nullopt};
}

}  // namespace morvane
