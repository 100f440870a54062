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
constexpr std::array<Frame, kFirstTurnedUncaptioned - kTrimmedVariant - 1> kWindows{{
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
static_assert(kWindows[kUncaptionedVariant - kTrimmedVariant - 1].top == kTenth);
static_assert(kFirstContentWindow + kWindows.size() == kVariantCount);

// The window that becomes the picture less its bottom tenth once turned by 1, 2 or 3 quarter
// turns (one turn takes the left side to the bottom, the top to the left).
constexpr std::array<Frame, 3> kUncaptionedBeforeTurn{{
    {0, kTenth, kGrid, kGrid},
    {0, 0, kGrid - kTenth, kGrid},
    {0, 0, kGrid, kGrid - kTenth},
}};
static_assert(kFirstTurnedUncaptioned + kUncaptionedBeforeTurn.size() == kFirstContentWindow);

// A window of a frame, in the grid's cells.
Frame Within(const Frame& frame, const Frame& window) {
    const float height = (frame.bottom - frame.top) / kGrid;
    const float width = (frame.right - frame.left) / kGrid;
    return {frame.top + window.top * height, frame.left + window.left * width,
            frame.top + window.bottom * height, frame.left + window.right * width};
}

// Where a variant's frequencies come from: a frame of the cells or of the trimmed content's,
// turned by some quarter turns.
struct Source {
    const std::uint8_t* cells = nullptr;  // none: the picture has no such variant
    Frame frame;
    int turns = 0;
};

// Every variant's source, by variant. The turned pictures less their bottom tenth are taken
// from the content, so that two framed pictures do not meet through their frames.
std::array<Source, kVariantCount> SourcesOf(const std::uint8_t* cells,
                                            const std::optional<TrimmedContent>& trimmed) {
    std::array<Source, kVariantCount> sources;
    for (int turns = 0; turns < 4; ++turns) sources[turns] = {cells, {}, turns};
    const std::uint8_t* const content = trimmed ? trimmed->cells.data() : cells;
    const Frame frame = trimmed ? trimmed->frame : Frame{};
    if (trimmed) sources[kTrimmedVariant] = {content, frame};
    for (std::size_t w = 0; w < kWindows.size(); ++w) {
        sources[kTrimmedVariant + 1 + w] = {cells, kWindows[w]};
        if (trimmed) sources[kFirstContentWindow + w] = {content, Within(frame, kWindows[w])};
    }
    for (int turns = 1; turns < 4; ++turns)
        sources[kFirstTurnedUncaptioned + turns - 1] = {
            content, Within(frame, kUncaptionedBeforeTurn[turns - 1]), turns};
    return sources;
}

VariantHash HashVariant(const LowFrequencies& frequencies, int variant) {
    return {HashOf(frequencies), MeanLevel(frequencies), static_cast<std::uint8_t>(variant)};
}

}  // namespace

std::vector<VariantHash> VariantHashes(const std::uint8_t* cells) {
    const auto trimmed = TrimMargins(cells);
    const auto sources = SourcesOf(cells, trimmed);
    // The frequencies of each set of cells at once, which shares the work of equal rows.
    std::array<LowFrequencies, kVariantCount> frequencies;
    for (const std::uint8_t* of : {cells, trimmed ? trimmed->cells.data() : nullptr}) {
        std::vector<Frame> frames;
        std::vector<int> variants;
        for (int v = 0; v < kVariantCount && of; ++v)
            if (sources[v].cells == of) {
                frames.push_back(sources[v].frame);
                variants.push_back(v);
            }
        const auto made = FrequenciesOf(of, frames);
        for (std::size_t i = 0; i < made.size(); ++i)
            frequencies[variants[i]] = Turned(made[i], sources[variants[i]].turns);
    }
    std::vector<VariantHash> hashes;
    hashes.reserve(kVariantCount);
    for (int v = 0; v < kVariantCount; ++v)
        if (sources[v].cells) hashes.push_back(HashVariant(frequencies[v], v));
    return hashes;
}

LowFrequencies VariantFrequencies(const std::uint8_t* cells, int variant) {
    const auto trimmed =
        IsTurn(variant) || (variant > kTrimmedVariant && variant < kFirstTurnedUncaptioned)
            ? std::nullopt
            : TrimMargins(cells);
    const Source source = SourcesOf(cells, trimmed)[variant];
    return Turned(FrequenciesOf(source.cells ? source.cells : cells, source.frame), source.turns);
}

bool HashesNear(const VariantHash& a, const VariantHash& b, int maxDistance) {
    return std::popcount(a.hash ^ b.hash) <= maxDistance &&
           std::abs(a.level - b.level) <= kMaxLevelGap;
}

}  // namespace morvane
