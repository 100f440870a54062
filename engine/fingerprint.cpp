#include "engine/fingerprint.h"

#include "engine/imaging.h"

namespace morvane {
namespace {

using vips::VImage;

// Shrink-on-load stops while the shorter side keeps this many pixels: shrinking further
// makes a JPEG's fingerprint drift from that of a PNG of the same picture.
constexpr int kMinDecodedSide = 512;

// The picture stretched to gridSize x gridSize over the fill colour, 8-bit R,G,B, top row
// first; empty when decoding fails part way.
std::vector<std::uint8_t> ScaledPixels(VImage image, int gridSize, std::uint32_t fillColour) {
    if (image.has_alpha()) {
        const std::vector<double> fill = {static_cast<double>(fillColour & 0xFF),
                                          static_cast<double>((fillColour >> 8) & 0xFF),
                                          static_cast<double>((fillColour >> 16) & 0xFF)};
        image = image.flatten(VImage::option()->set("background", fill));
    }
    image = image.resize(static_cast<double>(gridSize) / image.width(),
                         VImage::option()
                             ->set("vscale", static_cast<double>(gridSize) / image.height())
                             ->set("kernel", VIPS_KERNEL_CUBIC));
    if (image.width() != gridSize || image.height() != gridSize || image.bands() != 3 ||
        image.format() != VIPS_FORMAT_UCHAR)
        return {};
    return ImageBytes(image);
}

}  // namespace

void MakeFingerprint(const std::string& path, Fingerprint& fingerprint, int gridSize,
                     std::int32_t& picWidth, std::int32_t& picHeight, std::int32_t& bitDepth,
                     std::uint32_t fillColour) {
    fingerprint.clear();
    if (gridSize <= 0) return;
    const auto picture = OpenPicture(path, kMinDecodedSide, kMinDecodedSide);
    if (!picture) return;
    std::vector<std::uint8_t> rgb;
    try {
        rgb = ScaledPixels(picture->image, gridSize, fillColour);
    } catch (const vips::VError&) {
        return;  // damaged or truncated data shows only while the pixels stream through
    }
    const std::size_t side = static_cast<std::size_t>(gridSize);
    if (rgb.size() != 3 * side * side) return;
    picWidth = picture->width;
    picHeight = picture->height;
    bitDepth = picture->bitDepth;
    // B,G,R triplets, bottom row first, as the grey reduction expects them.
    std::vector<std::uint8_t> pixels(3 * side * side);
    for (std::size_t row = 0; row < side; ++row) {
        const std::uint8_t* source = rgb.data() + 3 * side * (side - 1 - row);
        std::uint8_t* target = pixels.data() + 3 * side * row;
        for (std::size_t column = 0; column < side; ++column, source += 3, target += 3) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
        }
    }
    PixelsToGrey(pixels);
    // A copy of exactly the grey cells: the table keeps one for every picture of the run,
    // and the triplets' capacity would triple its size.
    fingerprint.assign(pixels.begin(), pixels.end());
}

void PixelsToGrey(std::vector<std::uint8_t>& pixels) {
    std::size_t next = 0;
    for (std::size_t offset = 0; offset + 2 < pixels.size(); offset += 3) {
        const unsigned sum = pixels[offset] + pixels[offset + 1] + pixels[offset + 2];
        pixels[next++] = static_cast<std::uint8_t>(sum / 3);
    }
    // Fewer than three bytes hold no pixel and are left as they are.
    if (next > 0) pixels.resize(next);
}

}  // namespace morvane
