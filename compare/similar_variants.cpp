#include "compare/similar_variants.h"

#include <algorithm>
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

// The share of the cells from `first` (`count` of them, `step` apart) that a margin of
// `margin` grey covers, the rest showing what the next cells inwards (`inward` further) show.
float Covered(const std::uint8_t* cells, int first, int step, int count, int inward, int margin) {
    double sum = 0;
    int used = 0;
    for (int i = 0; i < count; ++i) {
        const int at = first + i * step;
        const int content = cells[at + inward];
        if (std::abs(margin - content) < 32) continue;  // too close to the margin to tell
        sum += static_cast<double>(cells[at] - content) / (margin - content);
        ++used;
    }
    return used == 0 ? 0.0f : static_cast<float>(std::clamp(sum / used, 0.0, 0.9));
}

// The content left when the rows and columns of white, or of black, are taken off the edges.
// A margin rarely ends on a cell's edge: the cell it ends in counts by the share it covers.
std::optional<Frame> TrimmedFrame(const std::uint8_t* cells) {
    int top = 0, bottom = kGrid, left = 0, right = kGrid;
    int colours[4] = {-1, -1, -1, -1};  // each side's margin, -1: none
    const auto trim = [&](bool white) {
        const int colour = white ? 255 : 0;
        while (top < kMaxMargin && Uniform(cells, top * kGrid + left, 1, right - left, white))
            ++top, colours[0] = colour;
        while (kGrid - bottom < kMaxMargin &&
               Uniform(cells, (bottom - 1) * kGrid + left, 1, right - left, white))
            --bottom, colours[1] = colour;
        while (left < kMaxMargin && Uniform(cells, top * kGrid + left, kGrid, bottom - top, white))
            ++left, colours[2] = colour;
        while (kGrid - right < kMaxMargin &&
               Uniform(cells, top * kGrid + right - 1, kGrid, bottom - top, white))
            --right, colours[3] = colour;
    };
    trim(true);
    trim(false);
    if (top == 0 && left == 0 && bottom == kGrid && right == kGrid) return std::nullopt;
    Frame frame{static_cast<float>(top), static_cast<float>(left), static_cast<float>(bottom),
                static_cast<float>(right)};
    const int width = right - left, height = bottom - top;
    if (colours[0] >= 0)
        frame.top += Covered(cells, top * kGrid + left, 1, width, kGrid, colours[0]);
    if (colours[1] >= 0)
        frame.bottom -= Covered(cells, (bottom - 1) * kGrid + left, 1, width, -kGrid, colours[1]);
    if (colours[2] >= 0)
        frame.left += Covered(cells, top * kGrid + left, kGrid, height, 1, colours[2]);
    if (colours[3] >= 0)
        frame.right -= Covered(cells, top * kGrid + right - 1, kGrid, height, -1, colours[3]);
    return frame;
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
