#pragma once
// The "similar" comparison: a 64-bit perceptual hash of a fingerprint, made from the lowest
// frequencies of its 2-D cosine transform, compared by the number of differing bits. It
// ignores what brightening, greying, re-encoding and resizing change (the overall level and
// fine detail) and keeps the coarse layout, so a mirror image gets a distant hash.
#include <cstdint>

namespace morvane {

inline constexpr int kHashBits = 64;

// The hash of 1024 grey cells. Bit v * 8 + u is set when the coefficient of horizontal
// frequency u and vertical frequency v (both 0..7) lies above the median of the 63 without
// the mean (bit 0, the mean, is never set). A flat picture hashes to 0.
std::uint64_t PerceptualHash(const std::uint8_t* cells);

// The mean grey of 1024 cells, which the hash leaves out.
std::uint8_t MeanLevel(const std::uint8_t* cells);
// Pictures whose mean grey lies further apart than this are not copies of one another
// whatever their hashes: a brightened or greyed copy moves the mean by far less, while a
// black and a white page (both flat, both hashing to 0) would otherwise match.
inline constexpr int kMaxLevelGap = 64;

// 100 x (64 - distance) / 64, rounded half to even: 100 for equal hashes.
int HashSimilarity(int distance);
// The largest distance whose similarity reaches the threshold (1..100).
int MaxHashDistance(int threshold);

}  // namespace morvane
