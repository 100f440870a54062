// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/temp_dir.h"

#include <vips/vips8>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace morvane::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave folders without rights; give them back before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

void WritePicture(const std::string& file, int width, int height, int bands,
                  const std::vector<std::uint8_t>& pixels) {
    if (VIPS_INIT("morvane-tests")) throw std::runtime_error("libvips did not start");
    vips::VImage image =
        vips::VImage::new_from_memory(const_cast<std::uint8_t*>(pixels.data()), pixels.size(),
                                      width, height, bands, VIPS_FORMAT_UCHAR);
    if (bands <= 2)
        image = image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    image.write_to_file(file.c_str());
}

void WriteFlatPicture(const std::string& file, int width, int height, std::uint8_t r,
                      std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), {r, g, b});
    WritePicture(file, width, height, 3, pixels);
}

void WritePatternPicture(const std::string& file, int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> phase(0.0, 6.28);
    const double a = phase(random), b = phase(random), c = phase(random);
    const double fx = 1.0 + (random() % 5), fy = 1.0 + (random() % 5);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = 6.28 * x / width, v = 6.28 * y / height;
            const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
            pixels[i] = static_cast<std::uint8_t>(127.5 + 127 * std::sin(fx * u + a));
            pixels[i + 1] = static_cast<std::uint8_t>(127.5 + 127 * std::sin(fy * v + b));
            pixels[i + 2] = static_cast<std::uint8_t>(127.5 + 127 * std::sin(u * v + c));
        }
    }
    WritePicture(file, width, height, 3, pixels);
}

void WriteTextFile(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

std::string ReadFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace morvane::test
