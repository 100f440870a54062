// The "similar" mode: the hash, and the index against a plain greedy scan over every pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <random>
#include <tuple>

#include "compare/similar_hash.h"
#include "compare/similar_index.h"
#include "compare/similar_scanner.h"

namespace morvane {
namespace {

using Groups = std::vector<std::vector<int>>;
using Levels = std::vector<std::uint8_t>;

// The greedy groups, from the index's matches or by reading every later hash.
Groups GreedyGroups(const std::vector<std::uint64_t>& hashes, const Levels& levels, int maxDistance,
                    bool indexed) {
    SimilarIndex index(hashes, maxDistance, levels);
    const int count = static_cast<int>(hashes.size());
    std::vector<bool> taken(count, false);
    Groups groups;
    for (int head = 0; head < count; ++head) {
        if (taken[head]) continue;
        std::vector<int> group{head};
        if (indexed)
            for (const SimilarIndex::Match& match : index.TakeLater(head)) {
                EXPECT_EQ(match.distance, std::popcount(hashes[head] ^ hashes[match.slot]));
                group.push_back(match.slot);
            }
        else
            for (int later = head + 1; later < count; ++later)
                if (!taken[later] && std::popcount(hashes[head] ^ hashes[later]) <= maxDistance &&
                    std::abs(levels[head] - levels[later]) <= kMaxLevelGap)
                    group.push_back(later);
        for (const int member : group) taken[member] = true;
        if (group.size() > 1) groups.push_back(group);
    }
    return groups;
}

// `centres` random hashes, each with copies that differ in up to `spread` bits, shuffled;
// with no centres, plain random hashes.
std::vector<std::uint64_t> Hashes(int count, int centres, int spread, unsigned seed) {
    std::mt19937_64 random(seed);
    std::vector<std::uint64_t> hashes, base(std::max(centres, 1));
    for (auto& hash : base) hash = random();
    for (int i = 0; i < count; ++i) {
        std::uint64_t hash = centres == 0 ? random() : base[random() % centres];
        for (int flips = centres == 0 ? 0 : static_cast<int>(random() % (spread + 1)); flips > 0;
             --flips)
            hash ^= std::uint64_t{1} << (random() % 64);
        hashes.push_back(hash);
    }
    return hashes;
}

TEST(SimilarIndex, GroupsAsThePlainScanDoes) {
    struct Case {
        int count, centres, spread;
    };
    // Plain random hashes, tight and loose clusters, one crowded cluster; sizes on both sides
    // of where the index starts probing instead of reading every hash.
    for (const Case c : {Case{3000, 0, 0}, Case{3000, 200, 6}, Case{3000, 40, 20}, Case{6000, 3, 3},
                         Case{200, 20, 12}})
        for (const int threshold : {100, 95, 88, 80, 70, 50}) {
            const auto hashes = Hashes(c.count, c.centres, c.spread, c.count + threshold);
            std::mt19937 random(threshold);
            Levels levels(hashes.size());
            for (auto& level : levels) level = static_cast<std::uint8_t>(random());
            const int distance = MaxHashDistance(threshold);
            EXPECT_EQ(GreedyGroups(hashes, levels, distance, true),
                      GreedyGroups(hashes, levels, distance, false))
                << c.count << " hashes, " << c.centres << " centres, threshold " << threshold;
        }
}

TEST(SimilarHash, SimilarityAndDistanceForThresholds) {
    const std::vector<std::pair<int, int>> table{{100, 0}, {99, 0},  {98, 1}, {90, 6},
                                                 {88, 8},  {50, 32}, {1, 63}};
    for (const auto& [threshold, distance] : table) EXPECT_EQ(MaxHashDistance(threshold), distance);
    EXPECT_EQ(std::pair(HashSimilarity(0), HashSimilarity(64)), std::pair(100, 0));
}

// Smooth content with detail on one side, so that its mirror image differs.
Fingerprint Scene(int offset) {
    Fingerprint cells(kFingerprintCells);
    for (int y = 0; y < GridSize; ++y)
        for (int x = 0; x < GridSize; ++x)
            cells[y * GridSize + x] = static_cast<std::uint8_t>(
                std::clamp(offset + 60 + 3 * x + (x > 20 ? 40 * ((x + y) % 3) : 2 * y), 0, 255));
    return cells;
}

TEST(SimilarScanner, GroupsTheBrighterCopyButNotTheMirror) {
    EXPECT_EQ(PerceptualHash(Fingerprint(kFingerprintCells, 77).data()), 0u);  // flat
    Fingerprint mirror = Scene(0);
    for (auto row = mirror.begin(); row != mirror.end(); row += GridSize)
        std::reverse(row, row + GridSize);
    // P, its brighter copy, a black and a white page (equal hashes, far apart in level), P's
    // mirror, and a record without its cells.
    PicTable table;
    for (const Fingerprint& print :
         {Scene(0), Scene(9), Fingerprint(kFingerprintCells, 3),
          Fingerprint(kFingerprintCells, 250), mirror, Fingerprint(10, 1)})
        table.push_back({.Valid = 1, .Stamp = {}, .Fingerprint = print});
    SimilarScanner scanner(table, 88, 2);
    const ScanStep step = scanner.NextStep();
    ASSERT_TRUE(step.Group);
    EXPECT_EQ(step.Group->Members, (std::vector<int>{0, 1}));
    EXPECT_EQ(std::tuple(table[1].Valid, table[0].Similarity, table[1].Similarity),
              std::tuple(0, 100, 100));
    while (!scanner.Finished()) EXPECT_FALSE(scanner.NextStep().Group);
    EXPECT_EQ(std::pair(scanner.DuplicateCount(), scanner.Processed()), std::pair(1, 6));
}

}  // namespace
}  // namespace morvane
