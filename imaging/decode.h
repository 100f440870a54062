// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// libvips start-up and the picture decoding shared by the fingerprint and the picture display.
#include <vips/vips8>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

// Starts libvips once for the whole program (any thread may call it, any number of times):
// one worker thread per decode, no operation cache. False when libvips could not start.
bool EnsureImagingStarted();

// Decodes larger than this (after shrink-on-load) are declined. Pixels stream through in
// strips, so memory does not grow with the picture's height, only with its width (the strips
// and the reduction's row sums, some 400 bytes a column); a damaged or hostile header may
// declare any size, and these caps keep the time and memory such a file costs bounded while
// honest panoramas of several gigapixels still decode.
inline constexpr std::int64_t kMaxDecodedPixels = 4'000'000'000;
inline constexpr std::int64_t kMaxDecodedSide = 1 << 18;
// ImageMagick holds the whole picture in memory at 16 bits a sample, so it gets less.
inline constexpr std::int64_t kMaxMagickPixels = 64'000'000;
// A camera raw file is read whole and its sensor data held at 16 bits a sample while it is
// demosaiced: the largest sensors sold have some 150 megapixels.
inline constexpr std::int64_t kMaxRawPixels = 200'000'000;
inline constexpr std::size_t kMaxRawFileBytes = std::size_t{512} << 20;

inline bool WithinDecodeLimits(std::int64_t width, std::int64_t height,
                               std::int64_t maxPixels = kMaxDecodedPixels) {
    return width <= kMaxDecodedSide && height <= kMaxDecodedSide && width * height <= maxPixels;
}

// A picture opened for one sequential decode. `image` is 8-bit sRGB, 3 bands, or 4 when the
// picture has alpha (not premultiplied); it may already be shrunk by the loader, while
// `width` and `height` are the picture's full size. Both are as stored: `orientation` (1 to 8,
// see orientation.h) tells how to turn them upright.
struct OpenedPicture {
    vips::VImage image;
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int orientation = 1;
};

// Opens `path`, shrinking on load (JPEG, WebP) by the largest factor of 1, 2, 4, 8 that keeps
// the decoded picture at least `minWidth` by `minHeight`. Files ending in ".wmf" go to
// ImageMagick. Empty when the file is not a readable picture or is too large to decode.
// The pixels are decoded later, when the image is written; that may throw vips::VError.
std::optional<OpenedPicture> OpenPicture(const std::string& path, int minWidth, int minHeight);

// A decoded image brought to 8-bit sRGB: 3 bands, or 4 when it has alpha.
vips::VImage ToSrgb8(vips::VImage image);

// Runs the decode: `image`'s pixels as packed bytes, top row first. Throws vips::VError when
// the file turns out damaged while its pixels stream through.
std::vector<std::uint8_t> ImageBytes(const vips::VImage& image);

// Bits per pixel as a Windows imaging library reports the stored pixel format: palette depth
// for palette pictures, else bands x sample bits (8-bit grey 8, RGB 24, RGBA 32, 16-bit
// grey 16, 16-bit RGB(A) 48/64), 0 for sample formats it has no code for (float, 32-bit).
// `pngSampleBits` is the bit depth from a PNG's header, 0 when not a PNG.
int BitDepthOf(const vips::VImage& image, int pngSampleBits);

// Size a picture is drawn at in a box: its own size when it fits, else shrunk to fit with the
// aspect kept, the computed side rounded half to even.
struct DrawSize {
    int width = 0;
    int height = 0;
};
DrawSize FitInBox(int width, int height, int boxWidth, int boxHeight);

// The largest shrink-on-load factor of 8, 4, 2 that keeps a picture of width x height at
// least `needed` (each side rounded up, as the JPEG decoder rounds it), else 1.
int ShrinkOnLoadFactor(int width, int height, DrawSize needed);

// A picture decoded for the screen, upright: pixels of `drawWidth` x `drawHeight`, top row
// first, rows packed, 8-bit R,G,B (bands 3) or R,G,B,A not premultiplied (bands 4); `width`
// and `height` are the upright picture's full size.
struct DisplayPicture {
    int width = 0;
    int height = 0;
    int drawWidth = 0;
    int drawHeight = 0;
    int bands = 0;
    std::vector<std::uint8_t> pixels;
};

// Decodes `path` at the FitInBox size of the upright picture. Empty when it does not decode, or
// when it had to be shrunk and a side would come out below 4 pixels. Never throws.
std::optional<DisplayPicture> DecodeForDisplay(const std::string& path, int boxWidth,
                                               int boxHeight);

}  // namespace morvane
