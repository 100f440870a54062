// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/equal_cells.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <random>
#include <vector>

namespace morvane {
namespace {

using Print = std::vector<std::uint8_t>;
constexpr CellKernel kKernels[] = {CellKernel::Plain, CellKernel::Sse2, CellKernel::Avx2,
                                   CellKernel::Avx512};

int ByteLoop(const std::uint8_t* a, const std::uint8_t* b) {
    return std::transform_reduce(a, a + kFingerprintCells, b, 0, std::plus<>(), std::equal_to<>());
}

// Pairs that exercise every lane: random, equal, off by one, one differing cell at each
// position, and random counts of differing cells near the thresholds.
std::vector<std::pair<Print, Print>> Pairs() {
    std::mt19937 random(7);
    const auto randomPrint = [&] {
        Print print(kFingerprintCells);
        for (auto& cell : print) cell = static_cast<std::uint8_t>(random());
        return print;
    };
    std::vector<std::pair<Print, Print>> pairs;
    for (int i = 0; i < 20; ++i) pairs.emplace_back(randomPrint(), randomPrint());
    const Print base = randomPrint();
    pairs.emplace_back(base, base);
    pairs.emplace_back(base, base);
    for (auto& cell : pairs.back().second) cell ^= 0x01;  // off by one
    for (int position = 0; position < kFingerprintCells; position += 37) {
        pairs.emplace_back(base, base);
        pairs.back().second[position] ^= 0x80;
    }
    for (const int differing : {5, 6, 107, 108, 312, 313, 516, 517, 1017, 1018}) {
        Print changed = base;
        for (int i = 0; i < differing; ++i) changed[random() % kFingerprintCells] += 1;
        pairs.emplace_back(base, changed);
    }
    return pairs;
}

// Unaligned on purpose: the kernels may not assume aligned fingerprints. The early exit is
// exact at or above the least and below it otherwise. Against the base print every
// near-threshold count occurs; the batch skips the marked fingerprints.
TEST(EqualCells, EveryKernelCountsLikeTheByteLoop) {
    const auto pairs = Pairs();
    Print a(kFingerprintCells + 3), b(kFingerprintCells + 5), block, skip;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        block.insert(block.end(), pairs[i].second.begin(), pairs[i].second.end());
        skip.push_back(i % 3 == 1);
    }
    const int count = static_cast<int>(skip.size());
    const auto check = [](int counted, int exact, int least) {
        EXPECT_TRUE(exact >= least ? counted == exact : counted < least)
            << counted << " counted, " << exact << " equal, least " << least;
    };
    for (const CellKernel kernel : kKernels) {
        if (!KernelAvailable(kernel)) continue;
        SCOPED_TRACE(KernelName(kernel));
        for (const auto& [x, y] : pairs) {
            std::copy(x.begin(), x.end(), a.begin() + 3);
            std::copy(y.begin(), y.end(), b.begin() + 5);
            const int exact = ByteLoop(x.data(), y.data());
            EXPECT_EQ(CountEqualCells(kernel, a.data() + 3, b.data() + 5), exact);
            for (const int least : {0, 7, 508, 712, 917, 1009, 1019, 1024})
                check(CountEqualCellsAtLeast(kernel, a.data() + 3, b.data() + 5, least), exact,
                      least);
        }
        const Print& head = pairs[20].first;
        for (const int least : {0, 917}) {
            std::vector<std::int16_t> equal(count, 99);
            CountEqualCellsMany(kernel, head.data(), block.data(), count, skip.data(), least,
                                equal.data());
            for (int i = 0; i < count; ++i) {
                SCOPED_TRACE(i);
                if (skip[i])
                    EXPECT_EQ(equal[i], -1);
                else
                    check(equal[i], ByteLoop(head.data(), &block[i * kFingerprintCells]), least);
            }
        }
    }
}

// Forcing a kernel this processor lacks must not select it (it would crash on the first pair).
TEST(EqualCells, ForcingAnUnavailableKernelKeepsTheActiveOne) {
    const CellKernel best = ActiveCellKernel();
    for (const CellKernel kernel : kKernels) {
        ForceCellKernel(kernel);
        EXPECT_TRUE(KernelAvailable(ActiveCellKernel()));
        EXPECT_TRUE(kernel != CellKernel::Plain || ActiveCellKernel() == CellKernel::Plain);
        ResetCellKernel();
    }
    EXPECT_EQ(ActiveCellKernel(), best);
}

}  // namespace
}  // namespace morvane
