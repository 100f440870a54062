#include "engine/metafile_dib.h"

#include <cstdlib>
#include <vector>

namespace morvane::metafile {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kCoreHeaderSize = 12;

struct DibLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
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
    if (compression != kBiRgb || layout.width <= 0 || layout.height <= 0) return std::nullopt;
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

}  // namespace

std::optional<QImage> DecodeDib(const ByteView& info, const ByteView& bits) {
    const auto layout = ReadLayout(info);
    if (!layout) return std::nullopt;
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

std::optional<QImage> DecodePackedDib(const ByteView& dib) {
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
    return DecodeDib(dib, *dib.Sub(bitsAt, dib.size() - bitsAt));
}

}  // namespace morvane::metafile
