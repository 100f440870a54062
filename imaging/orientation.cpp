// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/orientation.h"

#include <cstring>
#include <optional>

namespace morvane {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
// The integer types libvips accepts for it, and their sizes; signed ones read as unsigned
// fall out of range.
constexpr std::uint16_t kShort = 3, kLong = 4, kSignedShort = 8, kSignedLong = 9;

// Reads numbers of a TIFF structure in its own byte order, never past its end.
class TiffReader {
  public:
    TiffReader(const std::uint8_t* data, std::size_t size, bool little)
        : data_(data), size_(size), little_(little) {}

    std::optional<std::uint32_t> Read(std::size_t at, std::size_t bytes) const {
        if (at > size_ || bytes > size_ - at) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            value |= std::uint32_t{data_[at + (little_ ? i : bytes - 1 - i)]} << (8 * i);
        return value;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool little_;
};

// The stored pixel shown at (u, v) of the upright picture, for a stored picture of w x h.
struct Position {
    int x = 0;
    int y = 0;
};
Position StoredPosition(int u, int v, int w, int h, int orientation) {
    switch (orientation) {
        case 2:
            return {w - 1 - u, v};  // mirrored left to right
        case 3:
            return {w - 1 - u, h - 1 - v};  // half a turn
        case 4:
            return {u, h - 1 - v};  // mirrored top to bottom
        case 5:
            return {v, u};  // mirrored across the main diagonal
        case 6:
            return {v, h - 1 - u};  // to be turned a quarter clockwise
        case 7:
            return {w - 1 - v, h - 1 - u};  // mirrored across the other diagonal
        case 8:
            return {w - 1 - v, u};  // to be turned a quarter anticlockwise
        default:
            return {u, v};
    }
}

}  // namespace

int ExifOrientation(const std::uint8_t* data, std::size_t size) {
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    if (size < 8) return kUpright;
    const bool little = data[0] == 'I' && data[1] == 'I';
    if (!little && !(data[0] == 'M' && data[1] == 'M')) return kUpright;
    const TiffReader tiff(data, size, little);
    const auto directory = tiff.Read(4, 4);
    const auto entries = directory ? tiff.Read(*directory, 2) : std::nullopt;
    if (tiff.Read(2, 2) != 42u || !entries) return kUpright;
    for (std::uint32_t i = 0; i < *entries; ++i) {
        const std::size_t entry = std::size_t{*directory} + 2 + 12 * std::size_t{i};
        const auto tag = tiff.Read(entry, 2);
        if (!tag) return kUpright;
        if (*tag != kOrientationTag) continue;
        // Of several values the first counts; past four bytes they lie elsewhere.
        const auto type = tiff.Read(entry + 2, 2);
        const auto count = tiff.Read(entry + 4, 4);
        const bool isShort = type == kShort || type == kSignedShort;
        if (!count || *count == 0 || !(isShort || type == kLong || type == kSignedLong))
            return kUpright;
        const std::size_t bytes = isShort ? 2 : 4;
        const auto at =
            *count * bytes <= 4 ? std::optional<std::uint32_t>(entry + 8) : tiff.Read(entry + 8, 4);
        const auto value = at ? tiff.Read(*at, bytes) : std::nullopt;
        return value && *value >= 1 && *value <= 8 ? static_cast<int>(*value) : kUpright;
    }
    return kUpright;
}

std::vector<std::uint8_t> TurnUpright(const std::uint8_t* pixels, int width, int height, int bands,
                                      int orientation) {
    const bool swap = SwapsSides(orientation);
    const int outWidth = swap ? height : width;
    const int outHeight = swap ? width : height;
    const std::size_t pixel = static_cast<std::size_t>(bands);
    std::vector<std::uint8_t> upright(pixel * width * height);
    std::uint8_t* target = upright.data();
    for (int v = 0; v < outHeight; ++v)
        for (int u = 0; u < outWidth; ++u, target += pixel) {
            const Position at = StoredPosition(u, v, width, height, orientation);
            std::memcpy(target, pixels + pixel * (static_cast<std::size_t>(width) * at.y + at.x),
                        pixel);
        }
    return upright;
}

}  // namespace morvane
