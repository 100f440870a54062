// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a test library of JPEG photos: N distinct pictures of 2 to 12 megapixels (smooth
// colour fields with sensor-like noise, so they compress like photos), plus near-copies of
// some of them (re-encoded at another quality, or shrunk). The seed is fixed: the same N gives
// the same files on every machine with the same libvips.
// usage: make_library FOLDER COUNT [LONG_MIN LONG_MAX [QUALITY]]
// With a size range, each picture's longer side is drawn from it instead (the shorter side
// two or three quarters of it, 3:2 or 4:3) and the originals are saved at QUALITY (88).
#include <vips/vips8>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using vips::VImage;

// Megapixel sizes of common cameras and phones, 4:3 and 3:2.
constexpr int kSizes[][2] = {{1632, 1224}, {2048, 1536}, {2592, 1944}, {3000, 2000},
                             {3264, 2448}, {3456, 2304}, {4000, 3000}};

// Grey noise around 128, made once per size: it is the slowest part of making a picture.
VImage Noise(int width, int height) {
    static std::map<std::pair<int, int>, VImage> made;
    auto& noise = made[{width, height}];
    if (noise.is_null())
        noise = VImage::gaussnoise(width, height,
                                   VImage::option()->set("sigma", 6.0)->set("mean", 128.0))
                    .cast(VIPS_FORMAT_UCHAR)
                    .copy_memory();
    return noise;
}

// One noise field as large as the largest picture of a size range, cut to each picture: a
// field per size would hold hundreds of them.
VImage NoiseCut(int side, int width, int height) {
    return Noise(side, side).extract_area(0, 0, width, height);
}

struct Shape {
    int width = 0;
    int height = 0;
};

// The library's own mix of camera sizes, or a longer side drawn from [longMin, longMax].
Shape DrawShape(std::mt19937& random, int longMin, int longMax) {
    if (longMax == 0) {
        const auto& size = kSizes[random() % std::size(kSizes)];
        const bool portrait = random() % 4 == 0;
        return portrait ? Shape{size[1], size[0]} : Shape{size[0], size[1]};
    }
    const int longer = longMin + static_cast<int>(random() % (longMax - longMin + 1));
    const int shorter = random() % 2 ? longer * 2 / 3 : longer * 3 / 4;
    const bool portrait = random() % 4 == 0;
    return portrait ? Shape{shorter, longer} : Shape{longer, shorter};
}

VImage Photo(std::mt19937& random, int width, int height, int noiseSide) {
    constexpr int kCoarse = 7;
    std::vector<unsigned char> coarse(kCoarse * kCoarse * 3);
    for (auto& value : coarse) value = static_cast<unsigned char>(random() % 256);
    VImage image = VImage::new_from_memory(coarse.data(), coarse.size(), kCoarse, kCoarse, 3,
                                           VIPS_FORMAT_UCHAR)
                       .copy_memory();
    image = image.resize(static_cast<double>(width) / kCoarse,
                         VImage::option()
                             ->set("vscale", static_cast<double>(height) / kCoarse)
                             ->set("kernel", VIPS_KERNEL_CUBIC));
    const VImage noise = noiseSide ? NoiseCut(noiseSide, width, height) : Noise(width, height);
    image = (image + noise - 128).cast(VIPS_FORMAT_UCHAR);
    return image.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc != 3 && argc != 5 && argc != 6) || VIPS_INIT(argv[0])) {
        std::fprintf(stderr, "usage: make_library FOLDER COUNT [LONG_MIN LONG_MAX [QUALITY]]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const int count = std::atoi(argv[2]);
    const int longMin = argc > 3 ? std::atoi(argv[3]) : 0;
    const int longMax = argc > 4 ? std::atoi(argv[4]) : 0;
    const int quality = argc > 5 ? std::atoi(argv[5]) : 88;
    if (argc > 3 && (longMin < 16 || longMax < longMin)) {
        std::fprintf(stderr, "make_library: the size range needs 16 <= LONG_MIN <= LONG_MAX\n");
        return 2;
    }
    std::filesystem::create_directories(folder);
    std::mt19937 random(20240601);
    int written = 0;
    for (int i = 0; written < count; ++i) {
        const Shape shape = DrawShape(random, longMin, longMax);
        const VImage photo = Photo(random, shape.width, shape.height, longMax);
        char name[64];
        std::snprintf(name, sizeof name, "%03d/photo%05d.jpg", i / 500, i);
        std::filesystem::create_directories((folder / name).parent_path());
        photo.jpegsave((folder / name).c_str(), VImage::option()->set("Q", quality));
        ++written;
        // About one picture in ten has a near-copy beside it.
        if (written < count && random() % 10 == 0) {
            std::snprintf(name, sizeof name, "%03d/photo%05d_copy.jpg", i / 500, i);
            if (random() % 2)
                photo.jpegsave((folder / name).c_str(), VImage::option()->set("Q", 70));
            else
                photo.resize(0.5).jpegsave((folder / name).c_str(), VImage::option()->set("Q", 85));
            ++written;
        }
        if (written % 100 == 0) std::fprintf(stderr, "\r%d / %d", written, count);
    }
    std::fprintf(stderr, "\n");
    vips_shutdown();
    return 0;
}
