// SPDX-License-Identifier: GPL-3.0-or-later
// The reduction to the grid: the pre-filtered cubic it promises.
#include "imaging/grid_reduce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace morvane {
namespace {

// The plain, slow statement of the filter: a triangle 1.5 steps either side (at least 1.5
// pixels), edges repeated, weights normalised per cell, in double, rounded once.
std::vector<double> ReferenceWeights(int size, int j) {
    const double step = size / 32.0, scale = 1.5 * std::max(step, 1.0);
    const double centre = (j + 0.5) * step - 0.5;
    std::vector<double> weights(size, 0.0);
    double total = 0;
    for (int i = static_cast<int>(std::floor(centre - 2 * scale)) - 1; i <= centre + 2 * scale + 1;
         ++i) {
        const double w = std::max(0.0, 1 - std::fabs((i - centre) / scale));
        weights[std::clamp(i, 0, size - 1)] += w;
        total += w;
    }
    for (double& w : weights) w /= total;
    return weights;
}

// Not rounded: the weights are all positive, so the sums lie within 0 to 255.
std::vector<double> ReferenceReduced(const std::vector<std::uint8_t>& pixels, int width, int height,
                                     int bands) {
    std::vector<double> out;
    for (int cell = 0; cell < 32 * 32 * bands; ++cell) {
        const auto wy = ReferenceWeights(height, cell / bands / 32);
        const auto wx = ReferenceWeights(width, cell / bands % 32);
        double sum = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; wy[y] != 0 && x < width; ++x)
                sum += wy[y] * wx[x] * pixels[(std::size_t(y) * width + x) * bands + cell % bands];
        out.push_back(sum);
    }
    return out;
}

// Noise, ramps and hard-edged blocks: every tap matters somewhere.
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

TEST(GridReducer, GivesThePlainCubicForEverySize) {
    std::mt19937 random(20261207);
    std::vector<std::pair<int, int>> sizes = {{1, 1},   {1, 300}, {300, 1},
                                              {32, 32}, {7, 5},   {33, 31}};
    for (int i = 0; i < 24; ++i)
        sizes.push_back(
            {1 + static_cast<int>(random() % 400), 1 + static_cast<int>(random() % 400)});
    for (const auto& [width, height] : sizes) {
        const int bands = width % 2 ? 1 : 3;
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const auto pixels = Content(random, width, height, bands);
        GridReducer reducer(width, height, bands, 32);
        ASSERT_TRUE(reducer.Handles());
        for (int y = 0; y < height; ++y) reducer.AddRow(&pixels[std::size_t(y) * width * bands]);
        const auto got = reducer.Finish();
        const auto want = ReferenceReduced(pixels, width, height, bands);
        ASSERT_EQ(got.size(), want.size());
        // Rounded to nearest; single precision may round a value within a hair of .5 either way.
        for (std::size_t c = 0; c < got.size(); ++c)
            ASSERT_LE(std::abs(got[c] - want[c]), 0.501) << c;
    }
}

TEST(GridReducer, TakesOnlyWholePictures) {
    EXPECT_FALSE(GridReducer(0, 400, 3, 32).Handles());
    std::vector<std::uint8_t> pixels(64 * 64);
    GridReducer partial(64, 64, 1, 32);
    for (int y = 0; y < 63; ++y) partial.AddRow(pixels.data());
    EXPECT_TRUE(partial.Finish().empty());
}

}  // namespace
}  // namespace morvane
