// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// JPEG pictures decoded straight through libjpeg: the file is read in one go and handed to
// libjpeg whole, so its entropy decoder stays on its fast path (with libvips' 4 KiB reads most
// of a picture goes through the slow one), and the rows go to the caller as they come, with
// no image pipeline around them. The libjpeg settings are libvips' own, so the pixels are the
// ones libvips' loader gives at the same shrink.
#include <cstdint>
#include <functional>
#include <string>

namespace morvane {

struct JpegFrame {
    int fullWidth = 0;  // the picture's size
    int fullHeight = 0;
    int width = 0;  // the decoded size: the full size divided by the shrink, rounded down
    int height = 0;
    int bands = 0;        // 1 for grey, 3 for R,G,B
    int orientation = 1;  // from the EXIF block, as libvips reads it (see orientation.h)
};

struct JpegRowHandlers {
    // The shrink-on-load factor (1, 2, 4 or 8) for a picture of this full size.
    std::function<int(int fullWidth, int fullHeight)> ShrinkFor;
    // Told the decoded size before any row; false declines the picture.
    std::function<bool(const JpegFrame& frame)> Begin;
    // Each row of `width` pixels of `bands` bytes, top first, as stored (not turned upright).
    std::function<void(const std::uint8_t* row)> Row;
};

// True when every row was handed over. False when the file is not a JPEG this path decodes
// (not 8-bit grey or colour, such as CMYK), when Begin declines it, or when libjpeg fails or
// meets the end of the data (a truncated file) or too many damaged parts: the caller then
// goes through libvips, which settles what such a file gives.
bool DecodeJpegRows(const std::string& path, const JpegRowHandlers& handlers);

}  // namespace morvane
