// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Device-independent bitmaps embedded in metafile records.
#include <QImage>

#include <optional>

#include "metafile/reader.h"

namespace morvane::metafile {

// Pictures embedded in a metafile larger than this are taken as damage.
inline constexpr std::int64_t kMaxDibPixels = 16'777'216;
// All the pictures of one metafile together. A run-length picture of any size takes a few
// bytes, so without this a small file could make the renderer decode pictures for hours.
inline constexpr std::int64_t kMaxDibPixelsPerFile = 4 * kMaxDibPixels;

// Decodes a BITMAPINFO (`info`, header plus colour table) and its pixel rows (`bits`):
// uncompressed 1, 4, 8, 24 and 32 bits a pixel (32-bit pixels count as opaque, as the blit
// records draw them), and run-length 8 and 4 bits a pixel, whose damaged runs are cut short
// and whose skipped pixels are transparent.
// Empty for other formats, when the bytes do not cover the rows, or when the picture has more
// pixels than are left in `pixelBudget`, from which it takes its own.
std::optional<QImage> DecodeDib(const ByteView& info, const ByteView& bits,
                                std::int64_t& pixelBudget);

// The same for a packed DIB: header, colour table and rows one after the other.
std::optional<QImage> DecodePackedDib(const ByteView& dib, std::int64_t& pixelBudget);

}  // namespace morvane::metafile
