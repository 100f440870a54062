// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// HEIF pictures (HEVC-coded, as phones write them) decoded straight through libheif: the file
// is read in one go and its primary picture handed over row by row, with no image pipeline
// around it. libvips' loader makes the same libheif calls (the primary picture, its rotation
// and mirror boxes applied, converted to interleaved 8-bit R,G,B) and then only copies the
// rows out, so the pixels, the size and the depth are the ones it gives.
#include <cstdint>
#include <functional>
#include <string>

namespace morvane {

struct HeifRowHandlers {
    // Told the picture's size (as shown, after rotation) before it is decoded; false declines.
    std::function<bool(int width, int height)> Begin;
    // Each row of `width` R,G,B pixels, top first.
    std::function<void(const std::uint8_t* row)> Row;
};

// True when every row was handed over. False when the file does not start as a HEIF file
// libvips would take for one, when its primary picture has alpha or more than 8 bits, when
// Begin declines it or when libheif fails: the caller then goes through libvips, which
// settles what such a file gives.
bool DecodeHeifRows(const std::string& path, const HeifRowHandlers& handlers);

}  // namespace morvane
