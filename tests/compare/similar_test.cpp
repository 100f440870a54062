// SPDX-License-Identifier: GPL-3.0-or-later
// The "similar" mode: which edited copies it groups, and the indexed scan against a plain
// greedy scan over every pair under the same rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <tuple>

#include "compare/similar_scanner.h"
#include "compare/similar_variants.h"

namespace morvane {
namespace {

using Groups = std::vector<std::vector<int>>;

// A smooth random scene over the plane, drawn into the cells from the rectangle [x0, x1) x
// [y0, y1) of it; outside [0, 1) x [0, 1) it is `outside` when that is not negative.
struct Scene {
    std::array<double, 12> wave{};
    explicit Scene(unsigned seed) {
        std::mt19937 random(seed);
        for (double& w : wave) w = std::uniform_real_distribution<>(0, 6)(random);
    }
    // Drawn four times finer, then reduced as pictures are: a tent 1.5 cells either side, the
    // edge repeated, so that an edge inside a cell shows as a ramp.
    Fingerprint Draw(double x0, double y0, double x1, double y1, int outside = -1) const {
        constexpr int kFine = 4, kSize = kGrid * kFine;
        std::vector<double> fine(kSize * kSize), across(kSize * kGrid);
        for (int i = 0; i < kSize * kSize; ++i) {
            const double x = x0 + (x1 - x0) * (i % kSize + 0.5) / kSize;
            const double y = y0 + (y1 - y0) * (i / kSize + 0.5) / kSize;
            fine[i] = 128;
            for (int w = 0; w < 12; w += 3)
                fine[i] += 30 * std::sin(wave[w] * x + wave[w + 1] * y * (w / 3 + 1) + wave[w + 2]);
            if ((x < 0 || x >= 1 || y < 0 || y >= 1) && outside >= 0) fine[i] = outside;
        }
        // Cell `cell` of a line of fine samples `stride` apart.
        const auto reduce = [&](const double* line, int stride, int cell) {
            double sum = 0, total = 0;
            for (int f = cell * kFine - 6; f < cell * kFine + kFine + 6; ++f) {
                const double weight =
                    std::max(0.0, 1 - std::abs(f + 0.5 - (cell + 0.5) * kFine) / 6);
                sum += weight * line[std::clamp(f, 0, kSize - 1) * stride];
                total += weight;
            }
            return sum / total;
        };
        for (int i = 0; i < kSize * kGrid; ++i)
            across[i] = reduce(&fine[i / kGrid * kSize], 1, i % kGrid);
        Fingerprint cells(kFingerprintCells);
        for (int cell = 0; cell < kFingerprintCells; ++cell)
            cells[cell] = static_cast<std::uint8_t>(
                std::lround(reduce(&across[cell % kGrid], kGrid, cell / kGrid)));
        return cells;
    }
};

Fingerprint Turn(const Fingerprint& cells, int quarters) {
    Fingerprint turned = cells;
    for (int q = 0; q < quarters; ++q) {
        const Fingerprint before = turned;
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x)
                turned[y * kGrid + x] = before[(kGrid - 1 - x) * kGrid + y];
    }
    return turned;
}

// A dark caption bar over the bottom tenth (the cells' first rows).
Fingerprint Captioned(Fingerprint cells) {
    std::fill(cells.begin(), cells.begin() + 3 * kGrid, 40);
    return cells;
}

Groups ScannerGroups(std::vector<Fingerprint> prints, int threshold) {
    PicTable table;
    for (Fingerprint& print : prints)
        table.push_back({.Valid = 1, .Stamp = {}, .Fingerprint = std::move(print)});
    SimilarScanner scanner(table, threshold, 2);
    Groups groups;
    while (!scanner.Finished())
        if (const ScanStep step = scanner.NextStep(); step.Group)
            groups.push_back(step.Group->Members);
    return groups;
}

TEST(SimilarScanner, GroupsEditedCopiesButNotMirrorsOrOtherWindows) {
    const Scene scene(7);
    const Fingerprint original = scene.Draw(0, 0, 1, 1);
    const struct {
        Fingerprint copy;
        bool grouped;
    } cases[] = {
        {Turn(original, 1), true},
        {Turn(original, 2), true},
        {Turn(original, 3), true},
        {scene.Draw(-0.05, -0.05, 1.05, 1.05, 255), true},  // a white border
        {scene.Draw(-0.05, -0.05, 1.05, 1.05, 0), true},    // a black one
        {scene.Draw(-0.03, -0.03, 1.03, 1.03, 255), true},  // a cell wide
        {scene.Draw(-0.03, -0.03, 1.03, 1.03, 0), true},
        {scene.Draw(0.1, 0, 1, 1), true},
        {scene.Draw(0, 0, 0.9, 1), true},  // a tenth off
        {scene.Draw(0, 0.1, 1, 1), true},
        {scene.Draw(0, 0, 1, 0.9), true},  // each side
        {scene.Draw(0, 0, 1, 1), true},
        {Turn(scene.Draw(0, 0.1, 1, 1), 1), true},  // turned and cut
        {Captioned(original), true},
        {scene.Draw(1, 0, 0, 1), false},          // a mirror
        {scene.Draw(0.5, 0.5, 1.5, 1.5), false},  // shifted by half
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        for (const bool copyFirst : {false, true}) {
            const Fingerprint& copy = cases[i].copy;
            const Groups groups = ScannerGroups(
                copyFirst ? std::vector{copy, original} : std::vector{original, copy}, 88);
            EXPECT_EQ(groups.size(), cases[i].grouped ? 1u : 0u) << "case " << i << copyFirst;
        }
    // Two copies edited differently, without their original: cut on one side and all round,
    // framed and cut, captioned and turned.
    const Fingerprint framed = scene.Draw(-0.05, -0.05, 1.05, 1.05, 255);
    const std::pair<Fingerprint, Fingerprint> copies[] = {
        {scene.Draw(0, 0.1, 1, 1), scene.Draw(0.05, 0.05, 0.95, 0.95)},
        {scene.Draw(0.2, 0, 1, 1), scene.Draw(0.05, 0.05, 0.95, 0.95)},
        {scene.Draw(0, 0, 1, 0.8), scene.Draw(0.1, 0.1, 0.9, 0.9)},
        {framed, scene.Draw(0.2, 0, 1, 1)},
        {framed, scene.Draw(0, 0, 1, 0.9)},
        {Captioned(original), Turn(original, 1)},
        {Captioned(original), Turn(original, 2)},
    };
    for (std::size_t i = 0; i < std::size(copies); ++i)
        EXPECT_EQ(ScannerGroups({copies[i].first, copies[i].second}, 88).size(), 1u) << i;
    // Two flat pages a few levels apart are copies; a white page and a record without its
    // cells are not.
    EXPECT_EQ(
        ScannerGroups({Fingerprint(kFingerprintCells, 90), Fingerprint(10, 1),
                       Fingerprint(kFingerprintCells, 99), Fingerprint(kFingerprintCells, 250)},
                      50),
        (Groups{{0, 2}}));
}

// Random scenes, a third of them with an edited copy planted (each turn, cut and border in
// turn); the plain scan tries every hash of every pair.
TEST(SimilarScanner, FindsWhatEveryPairUnderTheSameRuleFinds) {
    std::mt19937 random(3);
    std::vector<Fingerprint> prints;
    for (int i = 0; i < 500; ++i) {
        const Scene scene(random());
        const int kind = i / 3;
        const double cut = kind / 4 % 3 * 0.1, border = kind % 3 < 2 ? 0.05 : 0;
        prints.push_back(scene.Draw(0, 0, 1, 1));
        if (i % 3 == 0)
            prints.push_back(Turn(scene.Draw(cut - border, -border, 1 + border,
                                             1 - cut / 2 + border, kind % 3 ? 255 : 0),
                                  kind % 4));
    }
    std::shuffle(prints.begin(), prints.end(), random);
    std::vector<std::vector<VariantHash>> hashes;
    for (const Fingerprint& print : prints) hashes.push_back(VariantHashes(print.data()));
    const int count = static_cast<int>(prints.size());
    for (const int threshold : {88, 75}) {
        const int maxDistance = MaxHashDistance(threshold);
        // The nearest confirmed distance of a turn of `turned` to a part of `other`.
        const auto nearest = [&](int turned, int other, int best) {
            for (const VariantHash& turn : hashes[turned])
                for (const VariantHash& part : hashes[other]) {
                    const int distance = std::popcount(turn.hash ^ part.hash);
                    if (IsQuery(turn.variant) && IsPart(part.variant) && distance < best &&
                        HashesNear(turn, part, maxDistance) &&
                        Correlation(VariantFrequencies(prints[turned].data(), turn.variant),
                                    VariantFrequencies(prints[other].data(), part.variant)) >=
                            kMinCorrelation)
                        best = distance;
                }
            return best;
        };
        Groups plain;
        std::vector<bool> taken(count, false);
        for (int head = 0; head < count; ++head) {
            if (taken[head]) continue;
            std::vector<int> group{head};
            for (int later = head + 1; later < count; ++later)
                if (!taken[later] && nearest(later, head, nearest(head, later, 65)) <= 64) {
                    taken[later] = true;
                    group.push_back(later);
                }
            if (group.size() > 1) plain.push_back(group);
        }
        EXPECT_GT(plain.size(), 120u);
        EXPECT_EQ(ScannerGroups(prints, threshold), plain) << threshold;
    }
}

// Hashes at the largest distance, their differing bits spread evenly from every start, so
// that each part of the index differs by about as much as the others.
TEST(SimilarIndex, FindsHashesAtTheLargestDistance) {
    std::mt19937_64 random(5);
    std::vector<SimilarIndex::Item> items;
    for (int i = 0; i < 100'000; ++i) items.push_back({random(), i, 128, kTrimmedVariant});
    for (const int distance : {8, 12, 19}) {
        const SimilarIndex index(items, distance);
        for (int start = 0; start < 64; ++start) {
            std::uint64_t flips = 0;
            for (int b = 0; b < distance; ++b)
                flips |= std::uint64_t{1} << (start + b * 64 / distance) % 64;
            std::vector<SimilarIndex::Match> found;
            index.FindNear(-1, {items[start].hash ^ flips, 128, 0}, found);
            EXPECT_NE(std::ranges::find(found, start, &SimilarIndex::Match::owner), found.end())
                << distance << " " << start;
        }
    }
}

TEST(SimilarHash, SimilarityAndDistanceForThresholds) {
    const std::vector<std::pair<int, int>> table{{100, 0}, {99, 0},  {98, 1}, {90, 6},
                                                 {88, 8},  {50, 32}, {1, 63}};
    for (const auto& [threshold, distance] : table) EXPECT_EQ(MaxHashDistance(threshold), distance);
    EXPECT_EQ(std::pair(HashSimilarity(0), HashSimilarity(64)), std::pair(100, 0));
}

}  // namespace
}  // namespace morvane
