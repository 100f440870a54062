// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The EXIF orientation: how a picture's stored pixels are turned or flipped to show it upright.
// Values 1 (as stored) to 8; 5 to 8 swap width and height.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvane {

inline constexpr int kUpright = 1;

inline bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The orientation held in an EXIF block (a TIFF header and its first directory, with or without
// the "Exif\0\0" prefix of a JPEG's APP1 segment); kUpright when it is missing, damaged or
// out of range.
int ExifOrientation(const std::uint8_t* data, std::size_t size);

// `width` x `height` pixels of `bands` bytes, rows packed, top row first, turned upright: the
// result has the sides swapped for orientations 5 to 8. Any other value leaves them as stored.
std::vector<std::uint8_t> TurnUpright(const std::uint8_t* pixels, int width, int height, int bands,
                                      int orientation);

}  // namespace morvane
