// The reduction to the grid gives exactly the pixels of libvips' cubic resize in the sequential
// pipeline a loader makes, for any size and content.
#include "engine/grid_reduce.h"

#include <gtest/gtest.h>

#include <vips/vips8>

#include <random>

#include "engine/imaging.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;
using vips::VImage;

std::vector<std::uint8_t> Reduced(const std::vector<std::uint8_t>& pixels, int width, int height,
                                  int bands, int grid = 32) {
    GridReducer reducer(width, height, bands, grid);
    EXPECT_TRUE(reducer.Handles());
    for (int y = 0; y < height; ++y)
        reducer.AddRow(pixels.data() + static_cast<std::size_t>(y) * width * bands);
    return reducer.Finish();
}

// libvips' resize of the same pixels read back from a file, as the loaders give them.
std::vector<std::uint8_t> LibvipsResized(const TempDir& dir,
                                         const std::vector<std::uint8_t>& pixels, int width,
                                         int height, int bands) {
    const std::string file = dir / "picture.png";
    test::WritePicture(file, width, height, bands, pixels);
    const VImage image = VImage::new_from_file(
        file.c_str(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    return ImageBytes(image.resize(
        32.0 / width,
        VImage::option()->set("vscale", 32.0 / height)->set("kernel", VIPS_KERNEL_CUBIC)));
}

// Noise, ramps and hard-edged blocks: every tap of the masks matters somewhere.
std::vector<std::uint8_t> Content(std::mt19937& random, int width, int height, int bands) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * bands);
    const unsigned kind = random() % 3;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::size_t x = i / bands % width, y = i / bands / width;
        pixels[i] = kind == 0   ? static_cast<std::uint8_t>(random())
                    : kind == 1 ? static_cast<std::uint8_t>(x * 255 / width + random() % 9)
                                : ((x / 5 + y / 7) % 2 ? 250 : 5);
    }
    return pixels;
}

TEST(GridReducer, GivesLibvipsCubicResizeExactly) {
    ASSERT_TRUE(EnsureImagingStarted());
    const TempDir dir;
    std::mt19937 random(20261206);
    for (int i = 0; i < 60; ++i) {
        const int limit = i % 4 == 0 ? 100 : 900;  // boxes of 1 and cubic taps of every size
        const int width = 32 + static_cast<int>(random() % limit);
        const int height = 32 + static_cast<int>(random() % limit);
        const int bands = i % 3 == 0 ? 1 : 3;
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " x " +
                     std::to_string(bands));
        const std::vector<std::uint8_t> pixels = Content(random, width, height, bands);
        EXPECT_EQ(Reduced(pixels, width, height, bands),
                  LibvipsResized(dir, pixels, width, height, bands));
    }
}

TEST(GridReducer, TakesOnlyReductionsAndWholePictures) {
    EXPECT_FALSE(GridReducer(31, 400, 3, 32).Handles());
    EXPECT_FALSE(GridReducer(400, 20, 3, 32).Handles());
    // A side already at the grid's size passes through as it is.
    std::vector<std::uint8_t> pixels(32 * 32);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_EQ(Reduced(pixels, 32, 32, 1), pixels);
    GridReducer partial(64, 64, 1, 32);
    for (int y = 0; y < 63; ++y) partial.AddRow(pixels.data());
    EXPECT_TRUE(partial.Finish().empty());
}

}  // namespace
}  // namespace morvane
