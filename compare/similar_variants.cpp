// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/similar_variants.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

#include "compare/similar_margins.h"

namespace morvane {
namespace {

constexpr float kTenth = kGrid / 10.0f;
constexpr float kFifth = kGrid / 5.0f;
constexpr float kHalf = kGrid / 2.0f;

// The windows, in variant order after the trimmed content.
constexpr std::array<Frame, kVariantCount - kTrimmedVariant - 1> kWindows{{
    {kTenth, 0, kGrid, kGrid},  // less a tenth at each side in turn
    {0, 0, kGrid - kTenth, kGrid},
    {0, kTenth, kGrid, kGrid},
    {0, 0, kGrid, kGrid - kTenth},
    {kFifth, 0, kGrid, kGrid},  // less a fifth
    {0, 0, kGrid - kFifth, kGrid},
    {0, kFifth, kGrid, kGrid},
    {0, 0, kGrid, kGrid - kFifth},
    {kTenth / 2, kTenth / 2, kGrid - kTenth / 2, kGrid - kTenth / 2},  // the middle
    {kTenth, kTenth, kGrid - kTenth, kGrid - kTenth},
    {0, 0, kHalf, kHalf},  // the quarters
    {0, kHalf, kHalf, kGrid},
    {kHalf, 0, kGrid, kHalf},
    {kHalf, kHalf, kGrid, kGrid},
}};
static_assert(kWindows[kMiddleVariant - kTrimmedVariant - 1].top == kTenth / 2);

VariantHash HashVariant(const LowFrequencies& frequencies, int variant) {
    return {HashOf(frequencies), MeanLevel(frequencies), static_cast<std::uint8_t>(variant)};
}

}  // namespace

std::vector<VariantHash> VariantHashes(const std::uint8_t* cells) {
    std::vector<VariantHash> hashes;
    hashes.reserve(kVariantCount);
    const LowFrequencies whole = FrequenciesOf(cells);
    for (int turns = 0; turns < 4; ++turns)
        hashes.push_back(HashVariant(Turned(whole, turns), turns));
    if (const auto trimmed = TrimMargins(cells))
        hashes.push_back(
            HashVariant(FrequenciesOf(trimmed->cells.data(), trimmed->frame), kTrimmedVariant));
    for (std::size_t w = 0; w < kWindows.size(); ++w)
        hashes.push_back(HashVariant(FrequenciesOf(cells, kWindows[w]),
                                     kTrimmedVariant + 1 + static_cast<int>(w)));
    return hashes;
}

LowFrequencies VariantFrequencies(const std::uint8_t* cells, int variant) {
    if (variant < kTrimmedVariant) return Turned(FrequenciesOf(cells), variant);
    if (variant == kTrimmedVariant) {
        const auto trimmed = TrimMargins(cells);
        return trimmed ? FrequenciesOf(trimmed->cells.data(), trimmed->frame)
                       : FrequenciesOf(cells);
    }
    return FrequenciesOf(cells, kWindows[variant - kTrimmedVariant - 1]);
}

bool HashesNear(const VariantHash& a, const VariantHash& b, int maxDistance) {
    return std::popcount(a.hash ^ b.hash) <= maxDistance &&
           std::abs(a.level - b.level) <= kMaxLevelGap;
}

}  // namespace morvane
