// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/threshold.h"

#include <gtest/gtest.h>

#include <tuple>

namespace morvane {
namespace {

// Out of range, the nearest limit, and the box is to show it; in range, the text stays.
TEST(Threshold, ParsesRoundsAndCorrectsTheText) {
    const std::tuple<const char*, int, std::optional<std::string>> table[] = {
        {"70", 70, {}},       {"12.5", 12, {}},      {"13.5", 14, {}},      {"7 5", 75, {}},
        {" \t8\n0%", 80, {}}, {"99.5", 100, {}},     {"0.5", 1, "1"},       {"0", 1, "1"},
        {"", 1, "1"},         {"abc", 1, "1"},       {"-5", 1, "1"},        {"   ", 1, "1"},
        {"250", 100, "100"},  {"99999", 100, "100"}, {"1e400", 100, "100"}, {"&HFFFF", 100, "100"}};
    for (const auto& [text, threshold, corrected] : table) {
        const auto setting = ParseThreshold(text);
        EXPECT_EQ(setting.threshold, threshold) << text;
        EXPECT_EQ(setting.correctedText, corrected) << text;
    }
}

TEST(Threshold, ReadsPrefixedIntegersAndExponents) {
    const std::pair<const char*, double> table[] = {{"&H1F", 31}, {"&o17x", 15}, {"5e1", 50},
                                                    {"5e", 5},    {"6D1", 60},   {"-.5", -0.5},
                                                    {".", 0},     {"+", 0}};
    for (const auto& [text, number] : table) EXPECT_DOUBLE_EQ(LeadingNumber(text), number) << text;
}

}  // namespace
}  // namespace morvane
