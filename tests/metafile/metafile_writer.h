// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes small EMF and WMF files record by record, so the metafile tests need no files from
// elsewhere. Only what the tests draw is here.
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace morvane::test {

// Little-endian bytes.
struct Bytes {
    Bytes() = default;  // not an aggregate: a braced list of numbers is never taken for one
    template <class T>
    Bytes& Put(T v) {
        for (std::size_t i = 0; i < sizeof(T); ++i) data.push_back(std::uint64_t(v) >> 8 * i);
        return *this;
    }
    Bytes& U8(std::uint8_t v) { return Put(v); }
    Bytes& U16(std::uint16_t v) { return Put(v); }
    Bytes& U32(std::uint32_t v) { return Put(v); }
    Bytes& F32(float v) { return Put(std::bit_cast<std::uint32_t>(v)); }
    template <class T>
    Bytes& List(std::initializer_list<T> values) {
        for (const T v : values) Put(v);
        return *this;
    }
    Bytes& I16s(std::initializer_list<std::int16_t> values) { return List(values); }
    Bytes& I32s(std::initializer_list<std::int32_t> values) { return List(values); }
    Bytes& Append(const std::vector<std::uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    Bytes& Pad(std::size_t to) {
        while (data.size() % to) data.push_back(0);
        return *this;
    }
    std::vector<std::uint8_t> data;
};

// COLORREF: 0x00BBGGRR.
constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r | g << 8 | std::uint32_t{b} << 16;
}

// A bottom-up DIB: its BITMAPINFOHEADER with the palette (0xRRGGBB colours), and its bits.
struct Dib {
    std::int16_t width, height;
    std::vector<std::uint8_t> info, bits;
};
inline std::vector<std::uint8_t> DibInfo(int width, int height, int bits, int compression,
                                         std::size_t size,
                                         const std::vector<std::uint32_t>& palette = {}) {
    Bytes info;
    info.I32s({40, width, height}).U16(1).U16(bits);
    info.I32s({compression, int(size), 0, 0, int(palette.size()), 0});
    for (const std::uint32_t c : palette) info.U32(c);
    return info.data;
}

// 24 bits a pixel, from top-down 0xRRGGBB colours.
inline Dib MakeDib24(int width, int height, const std::vector<std::uint32_t>& topDownRgb) {
    Bytes bits;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = topDownRgb[y * width + x];
            bits.U8(c).U8(c >> 8).U8(c >> 16);  // stored B, G, R
        }
        bits.Pad(4);
    }
    return {std::int16_t(width), std::int16_t(height), DibInfo(width, height, 24, 0, 0), bits.data};
}

// Run-length bits (RLE8) of palette indices.
inline Dib Rle8Dib(int width, int height, const std::vector<std::uint32_t>& paletteRgb,
                   const std::vector<std::uint8_t>& bits) {
    return {std::int16_t(width), std::int16_t(height),
            DibInfo(width, height, 8, 1, bits.size(), paletteRgb), bits};
}

class EmfWriter {
  public:
    // A picture of `width` x `height` pixels recorded on a reference device of `dpi`.
    EmfWriter(int width, int height, int dpi = 96) : width_(width), height_(height), dpi_(dpi) {}

    EmfWriter& Record(std::uint32_t type, const Bytes& params = {}) {
        body_.U32(type).U32(8 + params.data.size()).Append(params.data);
        ++records_;
        return *this;
    }
    EmfWriter& Record(std::uint32_t type, std::initializer_list<std::int32_t> params) {
        return Record(type, Bytes().I32s(params));
    }
    EmfWriter& Brush(std::uint32_t slot, std::uint32_t colour) {
        return Record(39, Bytes().U32(slot).U32(0).U32(colour).U32(0));
    }
    EmfWriter& Pen(std::uint32_t slot, std::uint32_t style, std::int32_t width,
                   std::uint32_t colour) {
        return Record(38, Bytes().U32(slot).U32(style).I32s({width, 0}).U32(colour));
    }
    EmfWriter& Select(std::uint32_t slot) { return Record(37, Bytes().U32(slot)); }
    EmfWriter& Rectangle(int l, int t, int r, int b) { return Record(43, {l, t, r, b}); }
    EmfWriter& Ellipse(int l, int t, int r, int b) { return Record(42, {l, t, r, b}); }
    EmfWriter& MoveTo(int x, int y) { return Record(27, {x, y}); }
    EmfWriter& LineTo(int x, int y) { return Record(54, {x, y}); }
    EmfWriter& Polyline16(std::initializer_list<std::int16_t> xy, std::uint32_t type = 87) {
        return Record(type, Bytes().I32s({0, 0, 0, 0, int(xy.size() / 2)}).I16s(xy));
    }
    // No face name: the default face.
    EmfWriter& Font(std::int32_t slot, std::int32_t height, std::int32_t weight) {
        return Record(82, Bytes().I32s({slot, height, 0, 0, 0, weight, 0, 0}).Pad(96));
    }
    EmfWriter& Text(int x, int y, const std::u16string& text) {
        Bytes p;
        p.I32s({0, 0, -1, -1, 1}).F32(1).F32(1).I32s({x, y, int(text.size()), 8 + 68});
        p.I32s({0, 0, 0, 0, 0, 0});  // options, clipping box, no spacing
        for (const char16_t c : text) p.U16(c);
        return Record(84, p.Pad(4));
    }
    // EMR_STRETCHDIBITS of a whole DIB onto (x, y, w, h).
    EmfWriter& StretchDib(int x, int y, int w, int h, const Dib& dib,
                          std::uint32_t rop = 0x00CC0020) {
        const int offBmi = 8 + 72, cbBmi = int(dib.info.size()), cbBits = int(dib.bits.size());
        Bytes p;
        p.I32s({x, y, x + w - 1, y + h - 1, x, y, 0, 0, dib.width, dib.height});
        p.I32s({offBmi, cbBmi, offBmi + cbBmi, cbBits, 0}).U32(rop).I32s({w, h});
        return Record(81, p.Append(dib.info).Append(dib.bits).Pad(4));
    }

    std::vector<std::uint8_t> Finish() const {
        const auto frame = [&](int pixels) { return int(std::int64_t{pixels} * 2540 / dpi_); };
        const int total = 88 + int(body_.data.size()) + 20;
        Bytes file;
        file.I32s({1, 88, 0, 0, width_ - 1, height_ - 1, 0, 0, frame(width_), frame(height_)});
        file.U32(0x464D4520).I32s({0x10000, total, records_ + 2}).U16(16).U16(0).I32s({0, 0, 0});
        file.I32s({dpi_ * 10, dpi_ * 10, 254, 254});        // ten inches square
        file.Append(body_.data).I32s({14, 20, 0, 16, 20});  // EMR_EOF
        return file.data;
    }

  private:
    int width_, height_, dpi_;
    Bytes body_;
    int records_ = 0;
};

class WmfWriter {
  public:
    // A placeable WMF whose box is (0, 0, right, bottom) in units of 1/unitsPerInch inch.
    WmfWriter(std::int16_t right, std::int16_t bottom, std::int16_t unitsPerInch)
        : right_(right), bottom_(bottom), inch_(unitsPerInch) {}

    WmfWriter& Record(std::uint16_t function, const Bytes& params) {
        body_.U32(3 + (params.data.size() + 1) / 2).U16(function).Append(params.data).Pad(2);
        return *this;
    }
    WmfWriter& Record(std::uint16_t function, std::initializer_list<std::int16_t> words) {
        return Record(function, Bytes().I16s(words));
    }
    WmfWriter& Brush(std::uint32_t colour) {
        return Record(0x02FC, Bytes().U16(0).U32(colour).U16(0));
    }
    WmfWriter& Pen(std::uint16_t style, std::int16_t width, std::uint32_t colour) {
        return Record(0x02FA, Bytes().U16(style).I16s({width, 0}).U32(colour));
    }
    WmfWriter& Select(std::int16_t slot) { return Record(0x012D, {slot}); }
    WmfWriter& Rectangle(std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b) {
        return Record(0x041B, {b, r, t, l});
    }
    // META_STRETCHDIB of a whole DIB onto (x, y, w, h).
    WmfWriter& StretchDib(std::int16_t x, std::int16_t y, std::int16_t w, std::int16_t h,
                          const Dib& dib, std::uint32_t rop) {
        Bytes p;
        p.U32(rop).I16s({0, dib.height, dib.width, 0, 0, h, w, y, x});
        return Record(0x0F43, p.Append(dib.info).Append(dib.bits));
    }

    // Room for 16 objects; the checksum is not checked.
    std::vector<std::uint8_t> Finish() const {
        Bytes file;
        file.U32(0x9AC6CDD7).I16s({0, 0, 0, right_, bottom_, inch_, 0, 0, 0});
        file.I16s({1, 9, 0x300}).U32(9 + body_.data.size() / 2 + 3).U16(16).U32(64).U16(0);
        file.Append(body_.data).U32(3).U16(0);  // META_EOF
        return file.data;
    }

  private:
    std::int16_t right_, bottom_, inch_;
    Bytes body_;
};

}  // namespace morvane::test
