#include "compare/similar_variants.h"

#include <array>
#include <bit>
#include <cstdlib>

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

// A margin cell lies this close to white or black: a border added in an editor, re-encoded.
constexpr int kMarginTolerance = 12;
// At most this many cells are trimmed from each side, so that the content keeps a size.
constexpr int kMaxMargin = kGrid / 4;

bool Uniform(const std::uint8_t* cells, int first, int step, int count, bool white) {
    for (int i = 0; i < count; ++i) {
        const int grey = cells[first + i * step];
        if (white ? grey < 255 - kMarginTolerance : grey > kMarginTolerance) return false;
    }
    return true;
}

// The cells left when whole rows and columns of white, or of black, are taken off the edges.
std::optional<Frame> TrimmedFrame(const std::uint8_t* cells) {
    int top = 0, bottom = kGrid, left = 0, right = kGrid;
    const auto trim = [&](bool white) {
        while (top < kMaxMargin && Uniform(cells, top * kGrid + left, 1, right - left, white))
            ++top;
        while (kGrid - bottom < kMaxMargin &&
               Uniform(cells, (bottom - 1) * kGrid + left, 1, right - left, white))
            --bottom;
        while (left < kMaxMargin && Uniform(cells, top * kGrid + left, kGrid, bottom - top, white))
            ++left;
        while (kGrid - right < kMaxMargin &&
               Uniform(cells, top * kGrid + right - 1, kGrid, bottom - top, white))
            --right;
    };
    trim(true);
    trim(false);
    if (top == 0 && left == 0 && bottom == kGrid && right == kGrid) return std::nullopt;
    return Frame{static_cast<float>(top), static_cast<float>(left), static_cast<float>(bottom),
                 static_cast<float>(right)};
}

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
    if (const auto trimmed = TrimmedFrame(cells))
        hashes.push_back(HashVariant(FrequenciesOf(cells, *trimmed), kTrimmedVariant));
    for (std::size_t w = 0; w < kWindows.size(); ++w)
        hashes.push_back(HashVariant(FrequenciesOf(cells, kWindows[w]),
                                     kTrimmedVariant + 1 + static_cast<int>(w)));
    return hashes;
}

LowFrequencies VariantFrequencies(const std::uint8_t* cells, int variant) {
    if (variant < kTrimmedVariant) return Turned(FrequenciesOf(cells), variant);
    if (variant == kTrimmedVariant)
        return FrequenciesOf(cells, TrimmedFrame(cells).value_or(Frame{}));
    return FrequenciesOf(cells, kWindows[variant - kTrimmedVariant - 1]);
}

bool HashesNear(const VariantHash& a, const VariantHash& b, int maxDistance) {
    return std::popcount(a.hash ^ b.hash) <= maxDistance &&
           std::abs(a.level - b.level) <= kMaxLevelGap;
}

}  // namespace morvane
