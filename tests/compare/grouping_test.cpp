// SPDX-License-Identifier: GPL-3.0-or-later
// Similarity and the greedy grouping: the batched, multi-threaded scanner against the
// one-by-one scan written out plainly.
#include "compare/grouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace morvane {
namespace {

// `base` with `changed` cells raised by one, spread evenly over `span` cells from `from`.
Fingerprint Changed(const Fingerprint& base, int changed, int span = LastCell + 1, int from = 0) {
    Fingerprint copy = base;
    for (int i = 0; i < changed; ++i) copy[(from + i * span / changed) % (LastCell + 1)] += 1;
    return copy;
}

Dubl RecordOf(Fingerprint print) {
    return {
        .Valid = std::uint8_t(print.empty() ? 0 : 1), .Stamp = {}, .Fingerprint = std::move(print)};
}

PicTable TableOf(const std::vector<Fingerprint>& prints) {
    PicTable table;
    for (const auto& print : prints) table.push_back(RecordOf(print));
    return table;
}

struct Outcome {
    std::vector<std::vector<int>> groups;
    std::vector<std::pair<int, int>> counts;   // duplicates and processed after each group
    std::vector<std::pair<int, int>> records;  // valid, similarity
    bool operator==(const Outcome&) const = default;
};

void KeepRecords(const PicTable& table, Outcome& outcome) {
    for (const Dubl& record : table) outcome.records.emplace_back(record.Valid, record.Similarity);
}

Outcome PlainScan(PicTable table, int threshold) {
    Outcome outcome;
    int duplicates = 0;
    const int size = static_cast<int>(table.size());
    for (int head = 0; head < size; ++head) {
        if (table[head].Valid != 1) continue;
        std::vector<int> group{head};
        for (int candidate = head + 1; candidate < size; ++candidate) {
            if (table[candidate].Valid != 1) continue;
            const int similarity =
                Similarity(table[head].Fingerprint, table[candidate].Fingerprint);
            if (similarity < threshold) continue;
            ++duplicates;
            group.push_back(candidate);
            table[candidate].Valid = 0;
            table[candidate].Similarity = table[head].Similarity = std::uint8_t(similarity);
        }
        if (group.size() == 1) continue;
        outcome.groups.push_back(group);
        outcome.counts.emplace_back(duplicates, head + 1);
    }
    KeepRecords(table, outcome);
    return outcome;
}

struct Scan {
    Outcome outcome;
    bool filterAtStart, filterAtEnd;
};

// With `stopping`, every third step finds the run stopped and must give no group.
Scan Scanned(PicTable table, int threshold, int threads, int maxHeads,
             GroupScanner::Filter filter = GroupScanner::Filter::Auto, bool stopping = false) {
    Scan scan;
    std::vector<bool> valid;
    for (const Dubl& record : table) valid.push_back(record.Valid == 1);
    GroupScanner scanner(table, threshold, threads, filter);
    scan.filterAtStart = scanner.UsesCandidateFilter();
    std::atomic<bool> running{true};
    for (int steps = 0; !scanner.Finished(); ++steps) {
        running = !stopping || steps % 3 != 1;
        const ScanStep step = scanner.NextStep(&running, maxHeads);
        EXPECT_TRUE(running || !step.Group);
        if (!step.Group) continue;
        scan.outcome.groups.push_back(step.Group->Members);
        scan.outcome.counts.emplace_back(step.DuplicateCount, step.Processed);
    }
    scan.filterAtEnd = scanner.UsesCandidateFilter();
    // The scanner holds the only copy of each fingerprint.
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_TRUE(!valid[i] || table[i].Fingerprint.capacity() == 0) << i;
    KeepRecords(table, scan.outcome);
    return scan;
}

// Cells drawn from `values` grey levels: two values make about half the cells equal, right at
// the 50 threshold; many values make unrelated pictures.
PicTable RandomTable(int count, int values, unsigned seed) {
    std::mt19937 random(seed);
    PicTable table;
    for (int i = 0; i < count; ++i) {
        Fingerprint print(LastCell + 1);
        for (auto& cell : print) cell = static_cast<std::uint8_t>(random() % values);
        table.push_back(RecordOf(i % 97 == 5 ? Fingerprint{} : std::move(print)));
    }
    return table;
}

// Copies of a few originals, each differing in a number of cells around every threshold,
// some made from other copies (so a copy may match a copy but not its original), shuffled.
PicTable ClusteredTable(int originals, unsigned seed) {
    std::mt19937 random(seed);
    const int changes[] = {0,   3,   5,   6,   15,  16,  50,  56,  57,  107,  108,
                           150, 200, 312, 313, 400, 516, 517, 700, 900, 1017, 1018};
    std::vector<Fingerprint> prints;
    for (int o = 0; o < originals; ++o) {
        Fingerprint base(LastCell + 1);
        for (auto& cell : base) cell = static_cast<std::uint8_t>(random() % 16);
        const std::size_t first = prints.size();
        prints.push_back(base);
        for (const int changed : changes) {
            const std::size_t made = prints.size() - first;
            Fingerprint copy =
                prints[prints.size() - 1 - random() % std::min<std::size_t>(made, 3)];
            for (int i = 0; i < changed; ++i) copy[random() % (LastCell + 1)] += 1;
            prints.push_back(copy);
        }
    }
    std::shuffle(prints.begin(), prints.end(), random);
    PicTable table = TableOf(prints);
    table[3].Valid = 0;  // already taken before this scan began
    return table;
}

TEST(Similarity, FromEqualCellsAndBack) {
    for (const auto& [threshold, least] :
         {std::pair{1, 7}, {50, 508}, {70, 712}, {90, 917}, {99, 1009}, {100, 1019}})
        EXPECT_EQ(LeastEqualCells(threshold), least) << threshold;
    const Fingerprint base(LastCell + 1, 100);
    EXPECT_EQ(Similarity(base, base), 100);
    EXPECT_EQ(Similarity(base, Changed(base, 5)), 100);
    EXPECT_EQ(Similarity(base, Changed(base, 6)), 99);
    EXPECT_EQ(Similarity(base, Fingerprint(LastCell + 1, 101)), 0);  // off by one is no match
    EXPECT_EQ(std::pair(SimilarityFromEqualCells(0), SimilarityFromEqualCells(512)),
              std::pair(0, 50));
}

// P~Q and Q~R but P not~R: [P, Q], then R alone (Q is taken, a lone head is not).
TEST(Grouping, MatchedPicturesLeaveTheComparison) {
    const Fingerprint p(LastCell + 1, 10), q = Changed(p, 200, 200), r = Changed(q, 200, 200, 400);
    ASSERT_LT(Similarity(p, r), 70);
    const Scan scan = Scanned(TableOf({p, q, r}), 70, 1, 3);
    EXPECT_EQ(scan.outcome.groups, (std::vector<std::vector<int>>{{0, 1}}));
    EXPECT_EQ(std::pair(scan.outcome.records[1].first, scan.outcome.records[2].first),
              std::pair(0, 1));
}

TEST(Grouping, HeadKeepsTheSimilarityOfItsLastMatchAndInvalidEntriesAreSkipped) {
    const Fingerprint head(LastCell + 1, 50);
    PicTable table = TableOf({head, Changed(head, 30), Fingerprint{}, Fingerprint(LastCell + 1, 7),
                              head, Changed(head, 90)});
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

    PicTable stopped = TableOf({head, head});
    const std::atomic<bool> notRunning{false};
    const ScanStep none = GroupScanner(stopped, 70).NextStep(&notRunning);
    EXPECT_TRUE(!none.Group && none.Processed == 0);
}

// From threshold 90 on, heads are compared only with the candidates of a block index.
class ParallelGrouping : public ::testing::TestWithParam<int> {};

// Stopped part way and gone on, through the batches or the candidate filter; clustered tables
// of 920 pictures take several batches.
TEST_P(ParallelGrouping, TablesGroupAsTheOneByOneScan) {
    const int threshold = GetParam();
    const PicTable tables[] = {RandomTable(700, 2, 13), RandomTable(700, 4, 15),
                               RandomTable(700, 256, 267), ClusteredTable(40, 3),
                               ClusteredTable(40, 4)};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const Outcome expected = PlainScan(tables[i], threshold);
        const Scan scan = Scanned(tables[i], threshold, 2, 256);
        EXPECT_EQ(scan.outcome, expected);
        EXPECT_EQ(scan.filterAtStart, threshold >= 90);
        EXPECT_TRUE(i < 3 || scan.filterAtEnd == (threshold >= 90));
        const auto off = GroupScanner::Filter::Off;
        EXPECT_EQ(Scanned(tables[i], threshold, i < 3 ? 1 : 3, i < 3 ? 7 : 1, off).outcome,
                  expected);
        EXPECT_EQ(Scanned(tables[i], threshold, 2, 4, GroupScanner::Filter::Auto, true).outcome,
                  expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Thresholds, ParallelGrouping,
                         ::testing::Values(1, 50, 70, 90, 95, 99, 100));

// Changes spread evenly, one to a block, are the fewest blocks a matching pair can share: the
// most changes allowed are found, one more are not. A near copy matching both an original
// and a far copy goes to the first head and is not offered again. Dark top rows common to
// every picture (scans with a black border) put each later picture on the chains of those
// blocks, none a match: the scan goes on in batches. Identical pictures all join the first.
TEST(CandidateFilter, FindsTheGroupsOfTheOneByOneScan) {
    struct Case {
        PicTable table;
        int threshold;
        std::vector<std::vector<int>> groups;
        int filterAtEnd = -1;  // unchecked
    };
    std::vector<Case> cases;
    for (const int threshold : {90, 95, 99, 100}) {
        const int most = LastCell + 1 - LeastEqualCells(threshold);
        Case& c = cases.emplace_back(Case{RandomTable(300, 256, 31), threshold, {{20, 150}}});
        c.table[150].Fingerprint = Changed(c.table[20].Fingerprint, most);
        c.table[250].Fingerprint = Changed(c.table[20].Fingerprint, most + 1);
    }
    Case& taken = cases.emplace_back(Case{RandomTable(200, 256, 8), 95, {{10, 90}}, 1});
    taken.table[40].Fingerprint = Changed(taken.table[10].Fingerprint, 60, 120);
    taken.table[90].Fingerprint = Changed(taken.table[10].Fingerprint, 30, 60);
    Case& border = cases.emplace_back(Case{RandomTable(900, 256, 12), 90, {{300, 500}}, 0});
    for (Dubl& record : border.table)
        if (!record.Fingerprint.empty()) std::fill_n(record.Fingerprint.begin(), 256, 0);
    border.table[500].Fingerprint = Changed(border.table[300].Fingerprint, 40);
    Case& same =
        cases.emplace_back(Case{PicTable(1000, RecordOf(Fingerprint(LastCell + 1, 9))), 100, {{}}});
    for (int i = 0; i < 1000; ++i) same.groups[0].push_back(i);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.table.size() << " pictures at " << c.threshold);
        const Outcome expected = PlainScan(c.table, c.threshold);
        ASSERT_EQ(expected.groups, c.groups);
        const Scan scan = Scanned(c.table, c.threshold, 2, 256);
        EXPECT_EQ(scan.outcome, expected);
        EXPECT_TRUE(scan.filterAtStart);
        EXPECT_TRUE(c.filterAtEnd < 0 || scan.filterAtEnd == bool(c.filterAtEnd));
    }
}

}  // namespace
}  // namespace morvane
