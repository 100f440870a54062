// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plain libjpeg decode for the benchmarks: the whole file read in one go, decoded at the
// shrink the fingerprint uses, with nothing around it. Three depths of the same decode tell
// the decoder's stages apart: raw planes (entropy decoding and the scaled IDCT only), YCbCr
// pixels (plus the chroma upsampling) and R,G,B pixels (plus the colour conversion).
#include <cstdint>
#include <string>
#include <vector>

namespace morvane::bench {

// Every *.jpg / *.jpeg file under `folder`, sorted.
std::vector<std::string> ListJpegs(const std::string& folder);

// The whole file; empty when it cannot be read.
std::vector<std::uint8_t> ReadFile(const std::string& path);

// The shrink-on-load factor of the fingerprint's JPEG path for a picture of this size.
int FingerprintShrink(int width, int height);

enum class Depth { Raw, YCbCr, Rgb };

struct PlainPicture {
    int fullWidth = 0;  // the picture's size
    int fullHeight = 0;
    int width = 0;  // decoded size, rounded up as libjpeg rounds it
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> rows;  // packed rows of the decoded pixels; kept only when asked
};

// False when libjpeg fails. `keep` keeps the rows (Rgb and YCbCr only).
bool DecodePlain(const std::vector<std::uint8_t>& file, Depth depth, bool keep, PlainPicture& out);

}  // namespace morvane::bench
