// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "similar" comparison: a 64-bit perceptual hash of a fingerprint, made from the lowest
// frequencies of its 2-D cosine transform, compared by the number of differing bits. It
// ignores what brightening, greying, re-encoding and resizing change (the overall level and
// fine detail) and keeps the coarse layout, so a mirror image gets a distant hash.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/fingerprint.h"

namespace morvane {

inline constexpr int kHashBits = 64;
inline constexpr int kGrid = GridSize;  // cells a side
inline constexpr int kFrequencies = 8;

// The lowest 8 x 8 cosine frequencies of a picture or of a part of one: [v * 8 + u] for
// vertical frequency v and horizontal frequency u; [0], the mean, is the part's mean grey.
using LowFrequencies = std::array<float, kFrequencies * kFrequencies>;

// A rectangle of the grid in cell units. Its edges may cut through cells: a cell counts by the
// share it has inside, so a part of the grid is read as if it had been resampled on its own.
struct Frame {
    float top = 0, left = 0, bottom = kGrid, right = kGrid;
};

// The frequencies of `frame` of 1024 grey cells, the cosines running over the frame alone.
LowFrequencies FrequenciesOf(const std::uint8_t* cells, const Frame& frame = {});
// The same for several frames at once, in their order: frames of the same rows share half
// the work.
std::vector<LowFrequencies> FrequenciesOf(const std::uint8_t* cells, std::span<const Frame> frames);
// The frequencies of the picture turned by `quarterTurns` quarter turns, from its own
// (a turn only swaps the two axes and changes signs). Never a mirror image.
LowFrequencies Turned(const LowFrequencies& frequencies, int quarterTurns);
// Bit v * 8 + u is set when that frequency lies above the median of the 63 without the mean
// (bit 0 is never set). A flat picture hashes to 0.
std::uint64_t HashOf(const LowFrequencies& frequencies);
// The correlation of the 63 frequencies without the mean, -1..1: 1 for two flat pictures, 0
// for a flat and a patterned one.
double Correlation(const LowFrequencies& a, const LowFrequencies& b);

// The hash of the whole of 1024 cells.
std::uint64_t PerceptualHash(const std::uint8_t* cells);
// The mean grey of a picture or part, which the hash leaves out, from its frequencies.
std::uint8_t MeanLevel(const LowFrequencies& frequencies);
// Pictures whose mean grey lies further apart than this are not copies of one another
// whatever their hashes: a brightened or greyed copy moves the mean by far less, while a
// black and a white page (both flat, both hashing to 0) would otherwise match.
inline constexpr int kMaxLevelGap = 64;

// 100 x (64 - distance) / 64, rounded half to even: 100 for equal hashes.
int HashSimilarity(int distance);
// The largest distance whose similarity reaches the threshold (1..100).
int MaxHashDistance(int threshold);

}  // namespace morvane
