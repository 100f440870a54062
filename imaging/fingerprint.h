// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture fingerprint: the whole picture stretched to 32x32 over a fill colour,
// one grey byte (B+G+R) div 3 per cell, bottom row first.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

inline constexpr int GridSize = 32;
inline constexpr int LastCell = GridSize * GridSize - 1;

// Empty when the picture could not be read, else exactly GridSize*GridSize bytes.
using Fingerprint = std::vector<std::uint8_t>;

// Fill colour as 0x00BBGGRR.
inline constexpr std::uint32_t kWhiteFill = 0x00FFFFFF;

// A read picture: its cells and the size and depth stored in its file.
struct PictureFingerprint {
    Fingerprint Cells;  // exactly gridSize * gridSize bytes
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitDepth = 0;
};

// Nothing when the file does not decode. Never throws; a damaged or enormous picture gives
// nothing rather than a crash or an unbounded allocation.
std::optional<PictureFingerprint> MakeFingerprint(const std::string& path, int gridSize = GridSize,
                                                  std::uint32_t fillColour = kWhiteFill);

// A digest of the cells, to tell later whether a file still shows the picture compared.
std::uint64_t CellsDigest(const Fingerprint& cells);

// Reduces B,G,R triplets to grey bytes in place.
void PixelsToGrey(std::vector<std::uint8_t>& pixels);

}  // namespace morvane
