#include "engine/equal_cells.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace morvane {
namespace {

constexpr CellKernel kKernels[] = {CellKernel::Plain, CellKernel::Sse2, CellKernel::Avx2,
                                   CellKernel::Avx512};

int ByteLoop(const std::uint8_t* a, const std::uint8_t* b) {
    int equal = 0;
    for (int i = 0; i < kFingerprintCells; ++i) equal += a[i] == b[i];
    return equal;
}

// Pairs that exercise every lane: random, equal, off by one, one differing cell at each
// position, and random counts of differing cells near the thresholds.
std::vector<std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>>> Pairs() {
    std::mt19937 random(7);
    const auto randomPrint = [&] {
        std::vector<std::uint8_t> print(kFingerprintCells);
        for (auto& cell : print) cell = static_cast<std::uint8_t>(random());
        return print;
    };
    std::vector<std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>>> pairs;
    for (int i = 0; i < 20; ++i) pairs.emplace_back(randomPrint(), randomPrint());
    const auto base = randomPrint();
    pairs.emplace_back(base, base);
    auto offByOne = base;
    for (auto& cell : offByOne) cell ^= 0x01;
    pairs.emplace_back(base, offByOne);
    for (int position = 0; position < kFingerprintCells; position += 37) {
        auto one = base;
        one[position] ^= 0x80;
        pairs.emplace_back(base, one);
    }
    for (const int differing : {5, 6, 107, 108, 312, 313, 516, 517, 1017, 1018}) {
        auto changed = base;
        std::vector<int> positions(kFingerprintCells);
        for (int i = 0; i < kFingerprintCells; ++i) positions[i] = i;
        std::shuffle(positions.begin(), positions.end(), random);
        for (int i = 0; i < differing; ++i) changed[positions[i]] += 1;
        pairs.emplace_back(base, changed);
    }
    return pairs;
}

TEST(EqualCells, EveryKernelCountsLikeTheByteLoop) {
    const auto pairs = Pairs();
    for (const CellKernel kernel : kKernels) {
        if (!KernelAvailable(kernel)) continue;
        SCOPED_TRACE(KernelName(kernel));
        for (const auto& [a, b] : pairs) {
            EXPECT_EQ(CountEqualCells(kernel, a.data(), b.data()), ByteLoop(a.data(), b.data()));
        }
    }
}

TEST(EqualCells, UnalignedFingerprintsCountTheSame) {
    const auto pairs = Pairs();
    std::vector<std::uint8_t> a(kFingerprintCells + 3), b(kFingerprintCells + 5);
    for (const CellKernel kernel : kKernels) {
        if (!KernelAvailable(kernel)) continue;
        SCOPED_TRACE(KernelName(kernel));
        for (const auto& [x, y] : pairs) {
            std::copy(x.begin(), x.end(), a.begin() + 3);
            std::copy(y.begin(), y.end(), b.begin() + 5);
            EXPECT_EQ(CountEqualCells(kernel, a.data() + 3, b.data() + 5),
                      ByteLoop(x.data(), y.data()));
        }
    }
}

TEST(EqualCells, EarlyExitIsExactAtOrAboveTheLeastAndBelowItOtherwise) {
    const auto pairs = Pairs();
    for (const CellKernel kernel : kKernels) {
        if (!KernelAvailable(kernel)) continue;
        SCOPED_TRACE(KernelName(kernel));
        for (const int least : {0, 7, 508, 712, 917, 1009, 1019, 1024}) {
            for (const auto& [a, b] : pairs) {
                const int exact = ByteLoop(a.data(), b.data());
                const int counted = CountEqualCellsAtLeast(kernel, a.data(), b.data(), least);
                if (exact >= least)
                    EXPECT_EQ(counted, exact) << "least " << least;
                else
                    EXPECT_LT(counted, least) << "least " << least << " exact " << exact;
            }
        }
    }
}

TEST(EqualCells, ManySkipsMarkedFingerprintsAndCountsTheRest) {
    const auto pairs = Pairs();
    const auto& head = pairs.front().first;
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> skip;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        block.insert(block.end(), pairs[i].second.begin(), pairs[i].second.end());
        skip.push_back(i % 3 == 1);
    }
    block.insert(block.end(), head.begin(), head.end());
    skip.push_back(0);
    const int count = static_cast<int>(skip.size());
    for (const CellKernel kernel : kKernels) {
        if (!KernelAvailable(kernel)) continue;
        SCOPED_TRACE(KernelName(kernel));
        std::vector<std::int16_t> equal(count, 99);
        CountEqualCellsMany(kernel, head.data(), block.data(), count, skip.data(), 0, equal.data());
        for (int i = 0; i < count; ++i) {
            const int expected =
                skip[i] ? -1 : ByteLoop(head.data(), block.data() + kFingerprintCells * i);
            EXPECT_EQ(equal[i], expected) << i;
        }
        EXPECT_EQ(equal[count - 1], kFingerprintCells);
    }
}

TEST(EqualCells, ForcingAnUnavailableKernelKeepsTheActiveOne) {
    const CellKernel best = ActiveCellKernel();
    ForceCellKernel(CellKernel::Plain);
    EXPECT_EQ(ActiveCellKernel(), CellKernel::Plain);
    ResetCellKernel();
    EXPECT_EQ(ActiveCellKernel(), best);
    for (const CellKernel kernel : kKernels) {
        ForceCellKernel(kernel);
        EXPECT_TRUE(KernelAvailable(ActiveCellKernel()));
        ResetCellKernel();
    }
}

}  // namespace
}  // namespace morvane
