#pragma once
// Device-independent bitmaps embedded in metafile records.
#include <QImage>

#include <optional>

#include "engine/metafile_reader.h"

namespace morvane::metafile {

// Pictures embedded in a metafile larger than this are taken as damage.
inline constexpr std::int64_t kMaxDibPixels = 16'777'216;

// Decodes a BITMAPINFO (`info`, header plus colour table) and its pixel rows (`bits`):
// uncompressed 1, 4, 8, 24 and 32 bits a pixel (32-bit pixels count as opaque, as the blit
// records draw them), and run-length 8 and 4 bits a pixel, whose damaged runs are cut short.
// Empty for other formats or when the bytes do not cover the rows.
std::optional<QImage> DecodeDib(const ByteView& info, const ByteView& bits);

// The same for a packed DIB: header, colour table and rows one after the other.
std::optional<QImage> DecodePackedDib(const ByteView& dib);

}  // namespace morvane::metafile
