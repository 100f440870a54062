// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bounds-checked reading of EMF and WMF files: the header and the chain of records. Nothing
// here trusts a size or count from the file without checking it against the bytes present.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace morvane::metafile {

// Little-endian reads at an offset; every read says whether the bytes were there.
class ByteView {
  public:
    ByteView() = default;
    explicit ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::optional<std::uint8_t> U8(std::size_t offset) const;
    std::optional<std::uint16_t> U16(std::size_t offset) const;
    std::optional<std::int16_t> I16(std::size_t offset) const;
    std::optional<std::uint32_t> U32(std::size_t offset) const;
    std::optional<std::int32_t> I32(std::size_t offset) const;
    std::optional<float> F32(std::size_t offset) const;
    // The bytes [offset, offset + count), or nothing when they are not all present.
    std::optional<ByteView> Sub(std::size_t offset, std::size_t count) const;
    std::span<const std::uint8_t> bytes() const { return bytes_; }

  private:
    std::span<const std::uint8_t> bytes_;
};

struct IntRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// One record: its type and its parameters (the bytes after the type and size fields, for
// EMF; after the size and function fields, for WMF). `whole` is the complete record.
struct Record {
    std::uint32_t type = 0;
    ByteView params;
    ByteView whole;
};

struct EmfHeader {
    IntRect bounds;  // inclusive, reference-device pixels
    IntRect frame;   // inclusive, 0.01 mm
    std::uint32_t handles = 0;
    std::int32_t deviceWidth = 0, deviceHeight = 0;  // reference device, pixels
    std::int32_t deviceWidthMm = 0, deviceHeightMm = 0;
};

struct WmfHeader {
    bool placeable = false;
    IntRect box;  // placeable files: the picture's extent in logical units
    std::uint16_t unitsPerInch = 0;
    std::uint16_t objects = 0;
};

// More records than this are taken as damage rather than drawn.
inline constexpr std::size_t kMaxRecords = 2'000'000;

struct EmfFile {
    EmfHeader header;
    std::vector<Record> records;  // after the header, up to but without EMR_EOF
};
struct WmfFile {
    WmfHeader header;
    std::vector<Record> records;  // up to but without META_EOF
};

bool LooksLikeEmf(std::span<const std::uint8_t> bytes);
bool LooksLikeWmf(std::span<const std::uint8_t> bytes);

// Empty when the header is wrong, a record runs past the end or has an impossible size, or
// the end-of-file record is missing (a truncated file).
std::optional<EmfFile> ReadEmf(std::span<const std::uint8_t> bytes);
std::optional<WmfFile> ReadWmf(std::span<const std::uint8_t> bytes);

// UTF-16LE text of `chars` code units at `offset`; empty when not all present.
std::optional<std::u16string> Utf16At(const ByteView& view, std::size_t offset, std::size_t chars);

}  // namespace morvane::metafile
