// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The similarity threshold as typed: its leading number, rounded and kept within 1..100.
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

struct ThresholdSetting {
    int threshold = 70;
    // The text the threshold box is to show instead, when the typed value was out of range.
    std::optional<std::string> correctedText;
};

// The number at the start of the text: blanks, tabs and line feeds are skipped wherever
// they stand; sign, digits, decimal point and exponent, or &H / &O integers; 0 for none.
double LeadingNumber(std::string_view text);
ThresholdSetting ParseThreshold(std::string_view text);

}  // namespace morvane
