// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture file read whole in one go, for the decoders that work from memory.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace morvane {

struct WholeFile {
    std::unique_ptr<std::uint8_t[]> data;  // written whole before it is read: not zeroed
    std::size_t size = 0;
};

// The bytes a file's kind is told by.
inline constexpr std::size_t kHeadBytes = 12;

// A regular file of at least `minSize` (at most kHeadBytes) and at most `maxSize` whose first
// bytes `wanted` accepts, whole; empty for anything else, which is read no further than its
// head, and for a file that shrank while read. Larger files are left to libvips, which reads
// them piece by piece.
WholeFile ReadWholeFile(const std::string& path, std::size_t minSize,
                        const std::function<bool(const std::uint8_t* head)>& wanted,
                        std::size_t maxSize = std::size_t{64} << 20);

}  // namespace morvane
