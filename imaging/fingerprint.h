#pragma once
// The picture fingerprint: the whole picture stretched to 32x32 over a fill colour,
// one grey byte (B+G+R) div 3 per cell, bottom row first.
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

inline constexpr int GridSize = 32;
inline constexpr int LastCell = GridSize * GridSize - 1;

// Empty when the picture could not be read, else exactly GridSize*GridSize bytes.
using Fingerprint = std::vector<std::uint8_t>;

// Fill colour as 0x00BBGGRR.
inline constexpr std::uint32_t kWhiteFill = 0x00FFFFFF;

// Empties `fingerprint`, then fills it when the file decodes. The three sizes are written
// only when the file decodes. Never throws; a damaged or enormous picture gives an empty
// fingerprint rather than a crash or an unbounded allocation.
void MakeFingerprint(const std::string& path, Fingerprint& fingerprint, int gridSize,
                     std::int32_t& picWidth, std::int32_t& picHeight, std::int32_t& bitDepth,
                     std::uint32_t fillColour);

// Reduces B,G,R triplets to grey bytes in place.
void PixelsToGrey(std::vector<std::uint8_t>& pixels);

}  // namespace morvane
