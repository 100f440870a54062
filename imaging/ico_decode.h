// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows icons: an icon file holds the same picture at several sizes, and the largest one is
// the picture, where a general loader shows the first (often 16x16) frame.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/decode.h"

namespace morvane {

// One frame of an icon's directory: where its bytes lie and what the directory says of it.
struct IconFrame {
    int index = 0;
    std::size_t offset = 0;
    std::size_t size = 0;
    int width = 0;  // 0 in the directory means 256
    int height = 0;
    int bitCount = 0;
};

// The largest frame (by area, then by depth, then the first) of the icon file held in
// `data`, among the frames whose bytes lie inside it; empty when it is not an icon file.
std::optional<IconFrame> LargestIconFrame(const std::uint8_t* data, std::size_t size);

// True when the file starts as an icon file does.
bool LooksLikeIcon(const std::string& path);

// Opens the icon's largest frame. Empty when it is not an icon or the frame does not decode.
std::optional<OpenedPicture> OpenLargestIconFrame(const std::string& path);

}  // namespace morvane
