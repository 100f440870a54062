// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/fingerprint.h"

#include <webp/decode.h>
#include <vips/vips8>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "imaging/decode.h"
#include "imaging/grid_reduce.h"
#include "imaging/heif_decode.h"
#include "imaging/jpeg_decode.h"
#include "imaging/orientation.h"
#include "imaging/whole_file.h"

namespace morvane {
namespace {

using vips::VImage;

// Shrink-on-load stops while the shorter side keeps this many pixels: shrinking further
// makes a JPEG's fingerprint drift from that of a PNG of the same picture.
constexpr int kMinDecodedSide = 512;
// Rows asked of a libvips pipeline at a time.
constexpr int kStripRows = 16;

// The picture reduced to the grid as 8-bit R,G,B, top row first, with its own sizes, all as
// stored: the grid is turned upright last. Both axes are reduced alike, so turning the grid
// gives the cells of the turned picture (but for the order of float sums).
struct GridPixels {
    std::vector<std::uint8_t> rgb;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitDepth = 0;
    int orientation = kUpright;
};

std::vector<std::uint8_t> GreyToRgb(const std::vector<std::uint8_t>& grey) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(3 * grey.size());
    for (const std::uint8_t value : grey) rgb.insert(rgb.end(), 3, value);
    return rgb;
}

// Most pictures are JPEGs: decoded by libjpeg straight into the reduction.
std::optional<GridPixels> JpegGridPixels(const std::string& path, int gridSize) {
    std::optional<GridReducer> reducer;
    GridPixels pixels;
    int bands = 0;
    const JpegRowHandlers handlers{
        .ShrinkFor =
            [](int width, int height) {
                return ShrinkOnLoadFactor(width, height, {kMinDecodedSide, kMinDecodedSide});
            },
        .Begin =
            [&](const JpegFrame& frame) {
                if (!WithinDecodeLimits(frame.width, frame.height)) return false;
                reducer.emplace(frame.width, frame.height, frame.bands, gridSize);
                pixels.width = frame.fullWidth;
                pixels.height = frame.fullHeight;
                pixels.bitDepth = 8 * frame.bands;
                pixels.orientation = frame.orientation;
                bands = frame.bands;
                return reducer->Handles();
            },
        .Row = [&](const std::uint8_t* row) { reducer->AddRow(row); },
    };
    if (!DecodeJpegRows(path, handlers)) return std::nullopt;
    std::vector<std::uint8_t> reduced = reducer->Finish();
    if (reduced.empty()) return std::nullopt;
    pixels.rgb = bands == 1 ? GreyToRgb(reduced) : std::move(reduced);
    return pixels;
}

// The picture stretched to gridSize x gridSize over the fill colour; empty when decoding
// fails part way. The rows stream through the reduction a strip at a time.
std::vector<std::uint8_t> ScaledPixels(VImage image, int gridSize, std::uint32_t fillColour) {
    if (image.has_alpha()) {
        const std::vector<double> fill = {static_cast<double>(fillColour & 0xFF),
                                          static_cast<double>((fillColour >> 8) & 0xFF),
                                          static_cast<double>((fillColour >> 16) & 0xFF)};
        image = image.flatten(VImage::option()->set("background", fill));
    }
    if (image.bands() != 3 || image.format() != VIPS_FORMAT_UCHAR) return {};
    GridReducer reducer(image.width(), image.height(), 3, gridSize);
    if (!reducer.Handles()) return {};
    const vips::VRegion region = vips::VRegion::new_from_image(image);
    for (int top = 0; top < image.height(); top += kStripRows) {
        const int rows = std::min(kStripRows, image.height() - top);
        region.prepare(0, top, image.width(), rows);
        for (int y = top; y < top + rows; ++y) reducer.AddRow(region.addr(0, y));
    }
    return reducer.Finish();
}

// Buffers that are written whole before they are read: not zeroed first.
using Bytes = std::unique_ptr<std::uint8_t[]>;

std::vector<std::uint8_t> ReduceRows(const std::uint8_t* rgb, int width, int height, int gridSize) {
    GridReducer reducer(width, height, 3, gridSize);
    if (!reducer.Handles()) return {};
    const std::size_t stride = std::size_t{3} * width;
    for (int y = 0; y < height; ++y) reducer.AddRow(rgb + stride * y);
    return reducer.Finish();
}

// Metafiles go to their own renderer, whatever they hold.
bool NamedAsMetafile(const std::string& path) {
    const std::string tail = path.size() < 4 ? path : path.substr(path.size() - 4);
    return tail.size() == 4 && tail[0] == '.' &&
           (std::tolower(tail[1]) == 'w' || std::tolower(tail[1]) == 'e') &&
           std::tolower(tail[2]) == 'm' && std::tolower(tail[3]) == 'f';
}

// libvips' WebP loader decodes into an R,G,B,A canvas, copies it out a line at a time and
// buffers the whole picture once more before the first strip arrives; even opening the file
// allocates and clears that canvas (twice for a picture it shrinks). A still WebP without
// alpha, named as no metafile, is decoded here by libwebp alone, with libvips' answers for
// such a file: the full size is the canvas, the shrink the one libvips is asked for, the
// shrunk size rounded to nearest (halves to even, as libvips rounds it), 24 bits a pixel.
// libwebp converts and scales each pixel alike whatever layout it writes, so these are
// libvips' pixels. Empty when anything differs: libvips decides.
std::optional<GridPixels> WebPGridPixels(const std::string& path, int gridSize) {
    if (NamedAsMetafile(path)) return std::nullopt;
    const WholeFile file = ReadWholeFile(path, kHeadBytes, [](const std::uint8_t* head) {
        return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
    });
    // An extended WebP with an EXIF chunk may be turned: libvips reads its orientation.
    constexpr std::uint8_t kExifFlag = 0x08;
    if (file.size > 20 && std::memcmp(file.data.get() + 12, "VP8X", 4) == 0 &&
        (file.data[20] & kExifFlag) != 0)
        return std::nullopt;
    WebPDecoderConfig config;
    if (file.size == 0 || !WebPInitDecoderConfig(&config) ||
        WebPGetFeatures(file.data.get(), file.size, &config.input) != VP8_STATUS_OK ||
        config.input.has_alpha || config.input.has_animation)
        return std::nullopt;
    GridPixels pixels{{}, config.input.width, config.input.height, 24};
    const int shrink =
        ShrinkOnLoadFactor(pixels.width, pixels.height, {kMinDecodedSide, kMinDecodedSide});
    const int width = static_cast<int>(std::nearbyint(double(pixels.width) / shrink));
    const int height = static_cast<int>(std::nearbyint(double(pixels.height) / shrink));
    if (width < 1 || height < 1 || !WithinDecodeLimits(width, height)) return std::nullopt;
    if (shrink > 1) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    const std::size_t stride = std::size_t{3} * width;
    const Bytes rgb = std::make_unique_for_overwrite<std::uint8_t[]>(stride * height);
    config.output.colorspace = MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = rgb.get();
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = stride * height;
    const bool decoded = WebPDecode(file.data.get(), file.size, &config) == VP8_STATUS_OK;
    WebPFreeDecBuffer(&config.output);
    if (!decoded) return std::nullopt;
    pixels.rgb = ReduceRows(rgb.get(), width, height, gridSize);
    if (pixels.rgb.empty()) return std::nullopt;
    return pixels;
}

// libvips decodes a HEIF picture whole in one libheif call and only copies its rows out:
// libheif hands them straight to the reduction (see heif_decode.h).
std::optional<GridPixels> HeifGridPixels(const std::string& path, int gridSize) {
    std::optional<GridReducer> reducer;
    GridPixels pixels;
    const HeifRowHandlers handlers{
        .Begin =
            [&](int width, int height) {
                if (!WithinDecodeLimits(width, height)) return false;
                reducer.emplace(width, height, 3, gridSize);
                pixels = {{}, width, height, 24};
                return reducer->Handles();
            },
        .Row = [&](const std::uint8_t* row) { reducer->AddRow(row); },
    };
    if (NamedAsMetafile(path) || !DecodeHeifRows(path, handlers)) return std::nullopt;
    pixels.rgb = reducer->Finish();
    if (pixels.rgb.empty()) return std::nullopt;
    return pixels;
}

// Every other picture, and a JPEG, WebP or HEIF its direct path declines, goes through libvips.
std::optional<GridPixels> DecodedGridPixels(const std::string& path, int gridSize,
                                            std::uint32_t fillColour) {
    const auto picture = OpenPicture(path, kMinDecodedSide, kMinDecodedSide);
    if (!picture) return std::nullopt;
    GridPixels pixels{{}, picture->width, picture->height, picture->bitDepth, picture->orientation};
    try {
        pixels.rgb = ScaledPixels(picture->image, gridSize, fillColour);
    } catch (const vips::VError&) {
        return std::nullopt;  // damaged or truncated data shows only while the pixels stream
    }
    return pixels;
}

// B,G,R triplets, bottom row first, as the grey reduction expects them.
std::vector<std::uint8_t> BottomUpTriplets(const std::vector<std::uint8_t>& rgb, std::size_t side) {
    std::vector<std::uint8_t> triplets(3 * side * side);
    for (std::size_t row = 0; row < side; ++row) {
        const std::uint8_t* source = rgb.data() + 3 * side * (side - 1 - row);
        std::uint8_t* target = triplets.data() + 3 * side * row;
        for (std::size_t column = 0; column < side; ++column, source += 3, target += 3) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
        }
    }
    return triplets;
}

}  // namespace

std::optional<PictureFingerprint> MakeFingerprint(const std::string& path, int gridSize,
                                                  std::uint32_t fillColour) {
    if (gridSize <= 0 || !EnsureImagingStarted()) return std::nullopt;
    auto pixels = JpegGridPixels(path, gridSize);
    if (!pixels) pixels = WebPGridPixels(path, gridSize);
    if (!pixels) pixels = HeifGridPixels(path, gridSize);
    if (!pixels) pixels = DecodedGridPixels(path, gridSize, fillColour);
    const std::size_t side = static_cast<std::size_t>(gridSize);
    if (!pixels || pixels->rgb.size() != 3 * side * side) return std::nullopt;
    const std::vector<std::uint8_t> upright =
        TurnUpright(pixels->rgb.data(), gridSize, gridSize, 3, pixels->orientation);
    std::vector<std::uint8_t> triplets = BottomUpTriplets(upright, side);
    PixelsToGrey(triplets);
    const bool swap = SwapsSides(pixels->orientation);
    // A copy of exactly the grey cells: the table keeps one for every picture of the run,
    // and the triplets' capacity would triple its size.
    return PictureFingerprint{Fingerprint(triplets.begin(), triplets.end()),
                              swap ? pixels->height : pixels->width,
                              swap ? pixels->width : pixels->height, pixels->bitDepth};
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

std::uint64_t CellsDigest(const Fingerprint& cells) {
    // FNV-1a: the same on every machine and run.
    std::uint64_t digest = 14695981039346656037ull;
    for (const std::uint8_t cell : cells) digest = (digest ^ cell) * 1099511628211ull;
    return digest;
}

}  // namespace morvane
