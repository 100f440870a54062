// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fingerprint made the plain libvips way (open with shrink-on-load, flatten, decode the
// whole picture into memory, then reduce), against which the engine's own decode paths are
// checked: the same decoded pixels must give the same cells.
#include <vips/vips8>

#include <string>
#include <vector>

#include "imaging/decode.h"
#include "imaging/fingerprint.h"
#include "imaging/grid_reduce.h"

namespace morvane::test {

inline Fingerprint ReferenceFingerprint(const std::string& path) {
    const auto picture = OpenPicture(path, 512, 512);
    if (!picture) return {};
    std::vector<std::uint8_t> rgb;
    vips::VImage image = picture->image;
    try {
        if (image.has_alpha())
            image = image.flatten(vips::VImage::option()->set(
                "background", std::vector<double>{255.0, 255.0, 255.0}));
        const std::vector<std::uint8_t> pixels = ImageBytes(image);
        GridReducer reducer(image.width(), image.height(), 3, 32);
        for (int y = 0; y < image.height(); ++y)
            reducer.AddRow(pixels.data() + std::size_t{3} * image.width() * y);
        rgb = reducer.Finish();
    } catch (const vips::VError&) {
        return {};
    }
    if (rgb.size() != 3 * 1024) return {};
    Fingerprint grey(1024);
    for (int row = 0; row < 32; ++row)
        for (int column = 0; column < 32; ++column) {
            const std::uint8_t* pixel = rgb.data() + 3 * (32 * (31 - row) + column);
            grey[32 * row + column] =
                static_cast<std::uint8_t>((pixel[0] + pixel[1] + pixel[2]) / 3);
        }
    return grey;
}

}  // namespace morvane::test
