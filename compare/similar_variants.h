// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a picture is compared as in the "similar" mode. Each picture is seen whole in its four
// quarter turns, and as parts standing for the edits people make: its content without a
// uniform white or black margin, and windows of it (less a tenth or a fifth on one side, the
// middle nine or eight tenths, each quarter). Two pictures are candidates when one of them,
// whole in some turn or its middle, hashes near the other whole (unturned) or near one of its
// parts; the
// pair holds when the low frequencies of those two also correlate closely, which the hashes
// alone would not ensure for so many variants.
#include <cstdint>
#include <optional>
#include <vector>

#include "compare/similar_hash.h"

namespace morvane {

// Variant 0 is the whole picture; 1 to 3 its quarter turns; 4 its trimmed content; 5 to 18
// windows of it. 19 to 21 are the picture (its content, when it has a margin) turned by one to
// three quarter turns, less a tenth at its new bottom, where captions go; 22 on the windows
// again, of the trimmed content, when there is a margin (a framed copy of a cropped copy shows
// the crop only inside its frame).
//
// The turns (0 to 3), the middle nine tenths and the picture less its bottom tenth are what a
// picture is looked up as; the whole and the parts (0 and 4 on) what it is looked up in. The
// middle finds two copies cut differently (less a tenth on one side, less a twentieth all
// round) through what both keep of the original, so whichever heads a group takes the other;
// the picture less its bottom tenth finds a captioned copy, unturned or turned (19 to 21).
inline constexpr int kWholeVariant = 0;
inline constexpr int kTrimmedVariant = 4;
inline constexpr int kUncaptionedVariant = 5;
inline constexpr int kMiddleVariant = 13;
inline constexpr int kFirstTurnedUncaptioned = 19;
inline constexpr int kFirstContentWindow = 22;
inline constexpr int kVariantCount = 36;

// The least correlation of the low frequencies that confirms a pair.
inline constexpr double kMinCorrelation = 0.9;

constexpr bool IsTurn(int variant) {
    return variant < kTrimmedVariant;
}
constexpr bool IsQuery(int variant) {
    return IsTurn(variant) || variant == kMiddleVariant || variant == kUncaptionedVariant;
}
constexpr bool IsPart(int variant) {
    return variant == kWholeVariant || !IsTurn(variant);
}

struct VariantHash {
    std::uint64_t hash = 0;
    std::uint8_t level = 0;    // the variant's mean grey
    std::uint8_t variant = 0;  // 0..kVariantCount - 1
};

// The hashes of the variants of 1024 cells, [0] the whole picture, in variant order. The
// trimmed content and its windows are left out when there is no margin to trim.
std::vector<VariantHash> VariantHashes(const std::uint8_t* cells);
// The low frequencies of one variant (as its hash was made from).
LowFrequencies VariantFrequencies(const std::uint8_t* cells, int variant);

// Whether two variants' hashes lie within `maxDistance` bits and their mean greys within
// kMaxLevelGap of each other.
bool HashesNear(const VariantHash& a, const VariantHash& b, int maxDistance);

}  // namespace morvane
