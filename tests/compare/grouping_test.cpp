#include "compare/grouping.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

Fingerprint Flat(std::uint8_t value) {
    return Fingerprint(LastCell + 1, value);
}

// A fingerprint equal to `base` except in `differing` cells starting at `from`.
Fingerprint Differing(const Fingerprint& base, int differing, int from = 0) {
    Fingerprint result = base;
    for (int i = from; i < from + differing; ++i) result[i % (LastCell + 1)] ^= 0x01;
    return result;
}

PicTable TableOf(const std::vector<Fingerprint>& prints) {
    PicTable table;
    for (const auto& print : prints)
        table.push_back({.Valid = std::uint8_t(print.empty() ? 0 : 1), .Fingerprint = print});
    return table;
}

std::vector<std::vector<int>> AllGroups(PicTable& table, int threshold) {
    GroupScanner scanner(table, threshold);
    std::vector<std::vector<int>> groups;
    while (!scanner.Finished()) {
        const ScanStep step = scanner.NextStep(nullptr, 3);
        if (step.Group) groups.push_back(step.Group->Members);
    }
    return groups;
}

TEST(Similarity, LeastEqualCellsForThresholds) {
    for (const auto& [threshold, least] :
         {std::pair{1, 7}, {50, 508}, {70, 712}, {90, 917}, {99, 1009}, {100, 1019}})
        EXPECT_EQ(LeastEqualCells(threshold), least) << threshold;
}

TEST(Similarity, FromEqualCountsExactlyWithoutTolerance) {
    const Fingerprint base = Flat(100);
    EXPECT_EQ(Similarity(base, base), 100);
    EXPECT_EQ(Similarity(base, Differing(base, 5)), 100);
    EXPECT_EQ(Similarity(base, Differing(base, 6)), 99);
    EXPECT_EQ(Similarity(base, Flat(101)), 0);  // off by one everywhere is no match at all
    EXPECT_EQ(SimilarityFromEqualCells(0), 0);
    EXPECT_EQ(SimilarityFromEqualCells(512), 50);
}

TEST(Grouping, MatchedPicturesLeaveTheComparison) {
    // P~Q and Q~R but P not~R: [P, Q], then R alone (Q is taken).
    const Fingerprint p = Flat(10);
    const Fingerprint q = Differing(p, 200);
    const Fingerprint r = Differing(q, 200, 400);
    PicTable table = TableOf({p, q, r});
    ASSERT_GE(Similarity(p, q), 70);
    ASSERT_GE(Similarity(q, r), 70);
    ASSERT_LT(Similarity(p, r), 70);
    EXPECT_EQ(AllGroups(table, 70), (std::vector<std::vector<int>>{{0, 1}}));
    EXPECT_EQ(table[1].Valid, 0);
    EXPECT_EQ(table[2].Valid, 1);  // a lone head is not taken into any group
    // The scanner holds the only copy of each fingerprint.
    for (const Dubl& record : table) EXPECT_EQ(record.Fingerprint.capacity(), 0u);
}

TEST(Grouping, HeadKeepsTheSimilarityOfItsLastMatchAndInvalidEntriesAreSkipped) {
    const Fingerprint head = Flat(50);
    PicTable table =
        TableOf({head, Differing(head, 30), Fingerprint{}, Flat(7), head, Differing(head, 90)});
    GroupScanner scanner(table, 90);
    const ScanStep step = scanner.NextStep();
    ASSERT_TRUE(step.Group);
    EXPECT_EQ(step.Group->Members, (std::vector<int>{0, 1, 4, 5}));
    EXPECT_EQ(std::pair(step.Processed, step.DuplicateCount), std::pair(1, 3));
    std::vector<int> similarity;
    for (const Dubl& record : table) similarity.push_back(record.Similarity);
    EXPECT_EQ(similarity, (std::vector<int>{91, 97, 0, 0, 100, 91}));

    const ScanStep rest = scanner.NextStep();
    EXPECT_TRUE(!rest.Group && rest.Processed == 6 && scanner.Finished());
}

TEST(Grouping, StopsWhenNotRunning) {
    PicTable table = TableOf({Flat(1), Flat(1)});
    const std::atomic<bool> running{false};
    GroupScanner scanner(table, 70);
    const ScanStep step = scanner.NextStep(&running);
    EXPECT_FALSE(step.Group);
    EXPECT_EQ(step.Processed, 0);
}

}  // namespace
}  // namespace morvane
