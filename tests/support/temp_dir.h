// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helpers: a temporary folder removed at the end, and generated pictures.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace morvane::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Full path of a name inside the folder, as a string.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Writes an 8-bit picture of `bands` bands (1, 3 or 4) from row-major pixels, top row first;
// the format follows the file's ending (libvips' savers).
void WritePicture(const std::string& file, int width, int height, int bands,
                  const std::vector<std::uint8_t>& pixels);
// A picture of one flat colour.
void WriteFlatPicture(const std::string& file, int width, int height, std::uint8_t r,
                      std::uint8_t g, std::uint8_t b);
// A picture of smooth random-looking content made from `seed`, so two seeds give unrelated
// fingerprints and one seed always gives the same pixels.
void WritePatternPicture(const std::string& file, int width, int height, unsigned seed);
void WriteTextFile(const std::string& file, const std::string& text);
std::string ReadFile(const std::string& file);

}  // namespace morvane::test
