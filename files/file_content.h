// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file's bytes, read only through a descriptor that is still the file its stamp describes:
// their 128-bit XXH3 hash, and whether two files hold the same bytes.
#include <cstdint>
#include <optional>
#include <string>

#include "files/file_identity.h"

namespace morvane {

struct ContentHash {
    std::uint64_t Low = 0;
    std::uint64_t High = 0;
    bool operator==(const ContentHash&) const = default;
};

// Nothing when the file cannot be opened or read whole, or is not (or stops being, while it
// is read) the file `stamp` describes.
std::optional<ContentHash> HashFileContent(const std::string& path, const FileStamp& stamp);

// True only when both files are read whole, each through a descriptor matching its stamp, and
// hold the same bytes. Sizes are compared first, so files of different sizes are not opened.
bool SameFileContent(const std::string& a, const FileStamp& stampA, const std::string& b,
                     const FileStamp& stampB);

}  // namespace morvane
