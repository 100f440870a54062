// SPDX-License-Identifier: GPL-3.0-or-later
#include "metafile/reader.h"

#include <bit>
#include <cstring>

namespace morvane::metafile {
namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;

std::optional<IntRect> RectAt(const ByteView& view, std::size_t offset) {
    const auto l = view.I32(offset), t = view.I32(offset + 4), r = view.I32(offset + 8),
               b = view.I32(offset + 12);
    if (!l || !t || !r || !b) return std::nullopt;
    return IntRect{*l, *t, *r, *b};
}

std::optional<EmfHeader> ReadEmfHeader(const ByteView& header) {
    const auto bounds = RectAt(header, 0);
    const auto frame = RectAt(header, 16);
    const auto handles = header.U16(48);
    const auto devW = header.I32(64), devH = header.I32(68);
    const auto mmW = header.I32(72), mmH = header.I32(76);
    if (!bounds || !frame || !handles || !devW || !devH || !mmW || !mmH) return std::nullopt;
    return EmfHeader{*bounds, *frame, *handles, *devW, *devH, *mmW, *mmH};
}

}  // namespace

std::optional<std::uint8_t> ByteView::U8(std::size_t offset) const {
    if (!Has(offset, 1)) return std::nullopt;
    return bytes_[offset];
}

std::optional<std::uint16_t> ByteView::U16(std::size_t offset) const {
    if (!Has(offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
}

std::optional<std::int16_t> ByteView::I16(std::size_t offset) const {
    const auto value = U16(offset);
    if (!value) return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

std::optional<std::uint32_t> ByteView::U32(std::size_t offset) const {
    if (!Has(offset, 4)) return std::nullopt;
    return static_cast<std::uint32_t>(bytes_[offset]) |
           static_cast<std::uint32_t>(bytes_[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes_[offset + 3]) << 24;
}

std::optional<std::int32_t> ByteView::I32(std::size_t offset) const {
    const auto value = U32(offset);
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<float> ByteView::F32(std::size_t offset) const {
    const auto value = U32(offset);
    if (!value) return std::nullopt;
    return std::bit_cast<float>(*value);
}

std::optional<ByteView> ByteView::Sub(std::size_t offset, std::size_t count) const {
    if (!Has(offset, count)) return std::nullopt;
    return ByteView(bytes_.subspan(offset, count));
}

std::optional<std::u16string> Utf16At(const ByteView& view, std::size_t offset, std::size_t chars) {
    if (chars > view.size() / 2 || !view.Has(offset, chars * 2)) return std::nullopt;
    std::u16string text(chars, u'\0');
    for (std::size_t i = 0; i < chars; ++i) text[i] = *view.U16(offset + 2 * i);
    return text;
}

bool LooksLikeEmf(std::span<const std::uint8_t> bytes) {
    const ByteView view(bytes);
    return view.U32(0) == kEmrHeader && view.U32(40) == kEmfSignature;
}

bool LooksLikeWmf(std::span<const std::uint8_t> bytes) {
    const ByteView view(bytes);
    if (view.U32(0) == kPlaceableKey) return true;
    const auto type = view.U16(0);
    return (type == 1 || type == 2) && view.U16(2) == 9;
}

std::optional<EmfFile> ReadEmf(std::span<const std::uint8_t> bytes) {
    if (!LooksLikeEmf(bytes)) return std::nullopt;
    const ByteView view(bytes);
    EmfFile file;
    std::size_t offset = 0;
    bool first = true;
    while (true) {
        const auto type = view.U32(offset);
        const auto size = view.U32(offset + 4);
        // Records are at least the two fields long, whole 32-bit words, and inside the file.
        if (!type || !size || *size < 8 || *size % 4 != 0 || !view.Has(offset, *size))
            return std::nullopt;
        const Record record{*type, *view.Sub(offset + 8, *size - 8), *view.Sub(offset, *size)};
        if (first) {
            const auto header = ReadEmfHeader(record.params);
            if (!header) return std::nullopt;
            file.header = *header;
            first = false;
        } else if (*type == kEmrEof) {
            return file;
        } else {
            if (file.records.size() >= kMaxRecords) return std::nullopt;
            file.records.push_back(record);
        }
        offset += *size;
    }
}

std::optional<WmfFile> ReadWmf(std::span<const std::uint8_t> bytes) {
    if (!LooksLikeWmf(bytes)) return std::nullopt;
    const ByteView view(bytes);
    WmfFile file;
    std::size_t offset = 0;
    if (view.U32(0) == kPlaceableKey) {
        const auto l = view.I16(6), t = view.I16(8), r = view.I16(10), b = view.I16(12);
        const auto inch = view.U16(14);
        if (!l || !t || !r || !b || !inch) return std::nullopt;
        file.header.placeable = true;
        file.header.box = {*l, *t, *r, *b};
        file.header.unitsPerInch = *inch;
        offset = kPlaceableSize;
    }
    const auto headerWords = view.U16(offset + 2);
    const auto objects = view.U16(offset + 10);
    if (!headerWords || *headerWords != kWmfHeaderSize / 2 || !objects) return std::nullopt;
    file.header.objects = *objects;
    offset += kWmfHeaderSize;
    while (true) {
        const auto words = view.U32(offset);
        const auto function = view.U16(offset + 4);
        if (!words || !function || *words < 3 || *words > view.size() / 2 ||
            !view.Has(offset, std::size_t{*words} * 2))
            return std::nullopt;
        const std::size_t size = std::size_t{*words} * 2;
        if (*function == 0) return file;
        if (file.records.size() >= kMaxRecords) return std::nullopt;
        file.records.push_back(
            {*function, *view.Sub(offset + 6, size - 6), *view.Sub(offset, size)});
        offset += size;
    }
}

}  // namespace morvane::metafile
