// SPDX-License-Identifier: GPL-3.0-or-later
// Writes COUNT small pictures (64x48) for the stress run: smooth colour fields with a little
// noise, nine in ten JPEG and one in ten PNG, a thousand to a folder, with about one in ten
// a near-copy of the picture before it (saved again at another quality, or as PNG). The seed
// is fixed, so the same COUNT gives the same library.
#include <vips/vips8>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using vips::VImage;

constexpr int kWidth = 64, kHeight = 48, kGrid = 4;

// A 4x4 grid of random colours spread bilinearly over the picture, plus noise.
std::vector<unsigned char> Pixels(std::mt19937& random) {
    std::array<unsigned char, kGrid * kGrid * 3> grid{};
    for (auto& value : grid) value = static_cast<unsigned char>(random() % 256);
    std::vector<unsigned char> pixels(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        const double gy = double(y) * (kGrid - 1) / (kHeight - 1);
        const int y0 = std::min(int(gy), kGrid - 2);
        for (int x = 0; x < kWidth; ++x) {
            const double gx = double(x) * (kGrid - 1) / (kWidth - 1);
            const int x0 = std::min(int(gx), kGrid - 2);
            const double fx = gx - x0, fy = gy - y0;
            for (int b = 0; b < 3; ++b) {
                const auto at = [&](int gx_, int gy_) { return grid[(gy_ * kGrid + gx_) * 3 + b]; };
                const double v = (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
                                 (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy +
                                 int(random() % 9) - 4;
                pixels[(y * kWidth + x) * 3 + b] =
                    static_cast<unsigned char>(std::clamp(v, 0.0, 255.0));
            }
        }
    }
    return pixels;
}

void Save(const VImage& image, const std::filesystem::path& file, bool png, int quality) {
    if (png)
        image.pngsave(file.c_str(), VImage::option()->set("compression", 1));
    else
        image.jpegsave(file.c_str(), VImage::option()->set("Q", quality));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || VIPS_INIT(argv[0])) {
        std::fprintf(stderr, "usage: make_small_library FOLDER COUNT\n");
        return 2;
    }
    vips_cache_set_max(0);
    const std::filesystem::path folder = argv[1];
    const int count = std::atoi(argv[2]);
    std::mt19937 random(20241206);
    std::vector<unsigned char> pixels;
    for (int i = 0; i < count; ++i) {
        if (i % 1000 == 0) std::filesystem::create_directories(folder / std::to_string(i / 1000));
        const bool png = random() % 10 == 0;
        char name[32];
        std::snprintf(name, sizeof name, "/p%06d.%s", i, png ? "png" : "jpg");
        const auto file = folder / (std::to_string(i / 1000) + name);
        // About one in ten is the previous picture again, saved another way.
        if (i == 0 || random() % 10 != 0) pixels = Pixels(random);
        const VImage image =
            VImage::new_from_memory(pixels.data(), pixels.size(), kWidth, kHeight, 3,
                                    VIPS_FORMAT_UCHAR)
                .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        Save(image, file, png, 70 + static_cast<int>(random() % 25));
        if ((i + 1) % 5000 == 0) std::fprintf(stderr, "\r%d / %d", i + 1, count);
    }
    std::fprintf(stderr, "\n");
    vips_shutdown();
    return 0;
}
