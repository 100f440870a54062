#include "engine/threshold.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(Threshold, KeepsValuesInRangeAndLeavesTheText) {
    const auto setting = ParseThreshold("70");
    EXPECT_EQ(setting.threshold, 70);
    EXPECT_FALSE(setting.correctedText.has_value());
}

TEST(Threshold, NothingUsableGivesOneAndCorrectsTheText) {
    for (const char* text : {"0", "", "abc", "-5", "   "}) {
        const auto setting = ParseThreshold(text);
        EXPECT_EQ(setting.threshold, 1) << text;
        EXPECT_EQ(setting.correctedText, "1") << text;
    }
}

TEST(Threshold, TooLargeGivesHundredAndCorrectsTheText) {
    for (const char* text : {"250", "99999", "1e400", "&HFFFF"}) {
        const auto setting = ParseThreshold(text);
        EXPECT_EQ(setting.threshold, 100) << text;
        EXPECT_EQ(setting.correctedText, "100") << text;
    }
}

TEST(Threshold, RoundsHalvesToEvenAndSkipsBlanksEverywhere) {
    EXPECT_EQ(ParseThreshold("12.5").threshold, 12);
    EXPECT_EQ(ParseThreshold("13.5").threshold, 14);
    EXPECT_EQ(ParseThreshold("7 5").threshold, 75);
    EXPECT_EQ(ParseThreshold(" \t8\n0%").threshold, 80);
    EXPECT_EQ(ParseThreshold("99.5").threshold, 100);
    EXPECT_EQ(ParseThreshold("0.5").threshold, 1);
}

TEST(Threshold, ReadsPrefixedIntegersAndExponents) {
    EXPECT_DOUBLE_EQ(LeadingNumber("&H1F"), 31);
    EXPECT_DOUBLE_EQ(LeadingNumber("&o17x"), 15);
    EXPECT_DOUBLE_EQ(LeadingNumber("5e1"), 50);
    EXPECT_DOUBLE_EQ(LeadingNumber("5e"), 5);
    EXPECT_DOUBLE_EQ(LeadingNumber("6D1"), 60);
    EXPECT_DOUBLE_EQ(LeadingNumber("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("."), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("+"), 0);
}

}  // namespace
}  // namespace morvane
