// SPDX-License-Identifier: GPL-3.0-or-later
#include "metafile/dib.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

namespace morvane::metafile {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kCoreHeaderSize = 12;

struct DibLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::size_t stride = 0;
    std::vector<QRgb> palette;
};

std::optional<std::vector<QRgb>> ReadPalette(const ByteView& info, std::size_t offset,
                                             std::size_t entries, std::size_t entrySize) {
    std::vector<QRgb> palette;
    palette.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        const auto entry = info.Sub(offset + i * entrySize, 3);
        if (!entry) return std::nullopt;
        palette.push_back(qRgb(*entry->U8(2), *entry->U8(1), *entry->U8(0)));
    }
    return palette;
}

std::optional<DibLayout> ReadLayout(const ByteView& info) {
    const auto headerSize = info.U32(0);
    if (!headerSize) return std::nullopt;
    DibLayout layout;
    std::uint32_t compression = kBiRgb;
    std::uint32_t used = 0;
    std::size_t entrySize = 4;
    if (*headerSize == kCoreHeaderSize) {
        const auto w = info.U16(4), h = info.U16(6), bits = info.U16(10);
        if (!w || !h || !bits) return std::nullopt;
        layout.width = *w;
        layout.height = *h;
        layout.bitCount = *bits;
        entrySize = 3;
    } else {
        const auto w = info.I32(4), h = info.I32(8);
        const auto bits = info.U16(14);
        const auto comp = info.U32(16), clrUsed = info.U32(32);
        if (*headerSize < 40 || !w || !h || !bits || !comp || !clrUsed) return std::nullopt;
        if (*h == INT32_MIN) return std::nullopt;
        layout.width = *w;
        layout.height = std::abs(*h);
        layout.topDown = *h < 0;
        layout.bitCount = *bits;
        compression = *comp;
        used = *clrUsed;
    }
    // Run-length pictures are stored bottom row first only.
    const bool rle = (compression == kBiRle8 && layout.bitCount == 8) ||
                     (compression == kBiRle4 && layout.bitCount == 4);
    if ((compression != kBiRgb && !rle) || (rle && layout.topDown)) return std::nullopt;
    if (layout.width <= 0 || layout.height <= 0) return std::nullopt;
    layout.compression = compression;
    if (std::int64_t{layout.width} * layout.height > kMaxDibPixels) return std::nullopt;
    const int b = layout.bitCount;
    if (b != 1 && b != 4 && b != 8 && b != 24 && b != 32) return std::nullopt;
    layout.stride = (static_cast<std::size_t>(layout.width) * b + 31) / 32 * 4;
    if (b <= 8) {
        const std::size_t most = std::size_t{1} << b;
        const std::size_t entries = used == 0 || used > most ? most : used;
        auto palette = ReadPalette(info, *headerSize, entries, entrySize);
        if (!palette) return std::nullopt;
        palette->resize(most, qRgb(0, 0, 0));
        layout.palette = std::move(*palette);
    }
    return layout;
}

QRgb PixelAt(const DibLayout& layout, const std::uint8_t* row, int x) {
    switch (layout.bitCount) {
        case 1:
            return layout.palette[(row[x / 8] >> (7 - x % 8)) & 1];
        case 4:
            return layout.palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
        case 8:
            return layout.palette[row[x]];
        case 24:
            return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        default:
            return qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
}

// Palette indices of an RLE8 or RLE4 picture, bottom row first, as GDI reads them: runs are
// cut at the row's end, and the end-of-picture code, a move past the top row or the end of the
// data ends the picture. Pixels no run reaches stay kSkipped.
constexpr std::int16_t kSkipped = -1;
std::vector<std::int16_t> DecodeRle(std::span<const std::uint8_t> data, std::size_t width,
                                    std::size_t height, bool four) {
    std::vector<std::int16_t> indices(width * height, kSkipped);
    std::size_t x = 0, y = 0, at = 0;
    const auto put = [&](std::uint8_t index) {
        if (x < width) indices[y * width + x] = index;
        ++x;
    };
    const auto nibble = [](std::uint8_t byte, std::size_t i) -> std::uint8_t {
        return i % 2 ? byte & 0xF : byte >> 4;
    };
    while (y < height && data.size() - at >= 2) {
        const std::uint8_t count = data[at], code = data[at + 1];
        at += 2;
        if (count > 0) {  // `count` pixels of one index, or of two alternating nibbles
            for (std::size_t i = 0; i < count; ++i) put(four ? nibble(code, i) : code);
        } else if (code == 0) {  // end of row
            x = 0;
            ++y;
        } else if (code == 1) {  // end of picture
            break;
        } else if (code == 2) {  // move right and up
            if (data.size() - at < 2) break;
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {  // `code` literal pixels, padded to a whole word
            const std::size_t bytes = four ? (code + 1u) / 2 : code;
            if (data.size() - at < bytes) break;
            for (std::size_t i = 0; i < code; ++i)
                put(four ? nibble(data[at + i / 2], i) : data[at + i]);
            at += std::min(data.size() - at, (bytes + 1) / 2 * 2);
        }
    }
    return indices;
}

// Skipped pixels come out transparent: GDI leaves the canvas under them as it was.
QImage FromIndices(const DibLayout& layout, const std::vector<std::int16_t>& indices) {
    QImage image(layout.width, layout.height, QImage::Format_ARGB32);
    if (image.isNull()) return image;
    const auto width = static_cast<std::size_t>(layout.width);
    for (int y = 0; y < layout.height; ++y) {
        const std::int16_t* row = indices.data() + width * std::size_t(layout.height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::size_t x = 0; x < width; ++x)
            out[x] = row[x] == kSkipped ? qRgba(0, 0, 0, 0) : layout.palette[std::size_t(row[x])];
    }
    return image;
}

}  // namespace

std::optional<QImage> DecodeDib(const ByteView& info, const ByteView& bits,
                                std::int64_t& pixelBudget) {
    const auto layout = ReadLayout(info);
    if (!layout) return std::nullopt;
    const std::int64_t pixels = std::int64_t{layout->width} * layout->height;
    if (pixels > pixelBudget) return std::nullopt;
    pixelBudget -= pixels;
    if (layout->compression != kBiRgb) {
        const QImage image = FromIndices(
            *layout, DecodeRle(bits.bytes(), std::size_t(layout->width),
                               std::size_t(layout->height), layout->compression == kBiRle4));
        if (image.isNull()) return std::nullopt;
        return image;
    }
    if (layout->stride * static_cast<std::size_t>(layout->height) > bits.size())
        return std::nullopt;
    QImage image(layout->width, layout->height, QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    const std::uint8_t* data = bits.bytes().data();
    for (int y = 0; y < layout->height; ++y) {
        const int source = layout->topDown ? y : layout->height - 1 - y;
        const std::uint8_t* row = data + layout->stride * static_cast<std::size_t>(source);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < layout->width; ++x) out[x] = PixelAt(*layout, row, x);
    }
    return image;
}

std::optional<QImage> DecodePackedDib(const ByteView& dib, std::int64_t& pixelBudget) {
    const auto layout = ReadLayout(dib);
    const auto headerSize = dib.U32(0);
    if (!layout || !headerSize) return std::nullopt;
    const std::size_t entrySize = *headerSize == kCoreHeaderSize ? 3 : 4;
    std::size_t entries = layout->palette.size();
    if (entrySize == 4 && layout->bitCount <= 8) {
        const std::uint32_t used = dib.U32(32).value_or(0);
        if (used != 0 && used < entries) entries = used;
    }
    const std::size_t bitsAt = std::size_t{*headerSize} + entries * entrySize;
    if (bitsAt > dib.size()) return std::nullopt;
    return DecodeDib(dib, *dib.Sub(bitsAt, dib.size() - bitsAt), pixelBudget);
}

}  // namespace morvane::metafile
