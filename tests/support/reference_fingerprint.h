#pragma once
// The fingerprint made the plain libvips way (open with shrink-on-load, flatten, resize,
// grey), against which the engine's own decode and reduction are checked.
#include <vips/vips8>

#include <string>
#include <vector>

#include "engine/fingerprint.h"
#include "engine/imaging.h"

namespace morvane::test {

inline Fingerprint ReferenceFingerprint(const std::string& path) {
    const auto picture = OpenPicture(path, 512, 512);
    if (!picture) return {};
    std::vector<std::uint8_t> rgb;
    try {
        vips::VImage image = picture->image;
        if (image.has_alpha())
            image = image.flatten(vips::VImage::option()->set(
                "background", std::vector<double>{255.0, 255.0, 255.0}));
        rgb =
            ImageBytes(image.resize(32.0 / image.width(), vips::VImage::option()
                                                              ->set("vscale", 32.0 / image.height())
                                                              ->set("kernel", VIPS_KERNEL_CUBIC)));
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
