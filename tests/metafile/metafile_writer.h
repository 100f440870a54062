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
class Bytes {
  public:
    Bytes& U8(std::uint8_t v) {
        data_.push_back(v);
        return *this;
    }
    Bytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& I16(std::int16_t v) { return U16(static_cast<std::uint16_t>(v)); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
    Bytes& I16s(std::initializer_list<std::int16_t> values) {
        for (const std::int16_t v : values) I16(v);
        return *this;
    }
    Bytes& F32(float v) { return U32(std::bit_cast<std::uint32_t>(v)); }
    Bytes& Append(const std::vector<std::uint8_t>& more) {
        data_.insert(data_.end(), more.begin(), more.end());
        return *this;
    }
    Bytes& Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        return I32(l).I32(t).I32(r).I32(b);
    }
    const std::vector<std::uint8_t>& data() const { return data_; }
    std::size_t size() const { return data_.size(); }

  private:
    std::vector<std::uint8_t> data_;
};

// COLORREF: 0x00BBGGRR.
constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r | g << 8 | std::uint32_t{b} << 16;
}

// A 24-bit bottom-up BITMAPINFOHEADER and its rows from top-down RGB triplets.
struct Dib {
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> bits;
};
inline Dib MakeDib24(int width, int height, const std::vector<std::uint32_t>& topDownRgb) {
    Bytes info;
    info.U32(40).I32(width).I32(height).U16(1).U16(24).U32(0).U32(0).I32(0).I32(0).U32(0).U32(0);
    Bytes bits;
    const int stride = (width * 3 + 3) / 4 * 4;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = topDownRgb[y * width + x];
            bits.U8(c & 0xFF).U8(c >> 8 & 0xFF).U8(c >> 16 & 0xFF);  // stored B, G, R
        }
        for (int pad = width * 3; pad < stride; ++pad) bits.U8(0);
    }
    return {info.data(), bits.data()};
}

// An RLE8 bottom-up DIB of palette indices given top row first: each row in runs of equal
// indices up to its last non-zero index, then end of row (the rest is skipped, as encoders
// do); end of picture last.
inline Dib MakeRle8Dib(int width, int height, const std::vector<std::uint32_t>& paletteRgb,
                       const std::vector<std::uint8_t>& topDownIndices) {
    Bytes bits;
    for (int y = height - 1; y >= 0; --y) {
        int end = width;
        while (end > 0 && topDownIndices[y * width + end - 1] == 0) --end;
        for (int x = 0; x < end;) {
            const std::uint8_t index = topDownIndices[y * width + x];
            int run = 1;
            while (x + run < end && run < 255 && topDownIndices[y * width + x + run] == index)
                ++run;
            bits.U8(static_cast<std::uint8_t>(run)).U8(index);
            x += run;
        }
        bits.U8(0).U8(0);
    }
    bits.U8(0).U8(1);
    Bytes info;
    info.U32(40).I32(width).I32(height).U16(1).U16(8).U32(1).U32(bits.size()).I32(0).I32(0);
    info.U32(paletteRgb.size()).U32(0);
    for (const std::uint32_t c : paletteRgb) info.U8(c & 0xFF).U8(c >> 8 & 0xFF).U8(c >> 16).U8(0);
    return {info.data(), bits.data()};
}

class EmfWriter {
  public:
    // A picture of `width` x `height` pixels recorded on a reference device of `dpi`.
    EmfWriter(int width, int height, int dpi = 96) : width_(width), height_(height), dpi_(dpi) {}

    EmfWriter& Record(std::uint32_t type, const Bytes& params) {
        body_.U32(type).U32(static_cast<std::uint32_t>(8 + params.size())).Append(params.data());
        ++records_;
        return *this;
    }
    EmfWriter& Brush(std::uint32_t slot, std::uint32_t colour) {
        return Record(39, Bytes().U32(slot).U32(0).U32(colour).U32(0));
    }
    EmfWriter& Pen(std::uint32_t slot, std::uint32_t style, std::int32_t width,
                   std::uint32_t colour) {
        return Record(38, Bytes().U32(slot).U32(style).I32(width).I32(0).U32(colour));
    }
    EmfWriter& Select(std::uint32_t slot) { return Record(37, Bytes().U32(slot)); }
    EmfWriter& Rectangle(int l, int t, int r, int b) {
        return Record(43, Bytes().Rect(l, t, r, b));
    }
    EmfWriter& Ellipse(int l, int t, int r, int b) { return Record(42, Bytes().Rect(l, t, r, b)); }
    EmfWriter& MoveTo(int x, int y) { return Record(27, Bytes().I32(x).I32(y)); }
    EmfWriter& LineTo(int x, int y) { return Record(54, Bytes().I32(x).I32(y)); }
    EmfWriter& Polyline16(std::initializer_list<std::int16_t> xy, std::uint32_t type = 87) {
        return Record(type, Bytes().Rect(0, 0, 0, 0).U32(xy.size() / 2).I16s(xy));
    }
    EmfWriter& Font(std::uint32_t slot, std::int32_t height, std::int32_t weight) {
        Bytes p;
        p.U32(slot).I32(height).I32(0).I32(0).I32(0).I32(weight).U32(0).U32(0);
        for (int i = 0; i < 32; ++i) p.U16(0);  // no face name: the default face
        return Record(82, p);
    }
    EmfWriter& Text(int x, int y, const std::u16string& text) {
        Bytes p;
        const std::uint32_t offString = 8 + 68;
        p.Rect(0, 0, -1, -1).U32(1).F32(1).F32(1);
        p.I32(x).I32(y).U32(static_cast<std::uint32_t>(text.size())).U32(offString).U32(0);
        p.Rect(0, 0, 0, 0).U32(0);
        for (const char16_t c : text) p.U16(c);
        while (p.size() % 4) p.U8(0);
        return Record(84, p);
    }
    // EMR_STRETCHDIBITS of a whole DIB onto (x, y, w, h).
    EmfWriter& StretchDib(int x, int y, int w, int h, int dibWidth, int dibHeight, const Dib& dib,
                          std::uint32_t rop = 0x00CC0020) {
        Bytes p;
        const std::uint32_t offBmi = 8 + 72;
        const auto cbBmi = static_cast<std::uint32_t>(dib.info.size());
        p.Rect(x, y, x + w - 1, y + h - 1).I32(x).I32(y).I32(0).I32(0).I32(dibWidth).I32(dibHeight);
        p.U32(offBmi).U32(cbBmi).U32(offBmi + cbBmi).U32(dib.bits.size());
        p.U32(0).U32(rop).I32(w).I32(h).Append(dib.info).Append(dib.bits);
        while (p.size() % 4) p.U8(0);
        return Record(81, p);
    }

    std::vector<std::uint8_t> Finish(std::uint16_t handles = 16) const {
        Bytes header;
        const auto frameW = static_cast<std::int32_t>(std::int64_t{width_} * 2540 / dpi_);
        const auto frameH = static_cast<std::int32_t>(std::int64_t{height_} * 2540 / dpi_);
        header.Rect(0, 0, width_ - 1, height_ - 1).Rect(0, 0, frameW, frameH);
        const std::size_t headerSize = 8 + 80;
        const std::size_t total = headerSize + body_.size() + 20;
        header.U32(0x464D4520).U32(0x10000).U32(static_cast<std::uint32_t>(total));
        header.U32(records_ + 2).U16(handles).U16(0).U32(0).U32(0).U32(0);
        header.I32(dpi_ * 10).I32(dpi_ * 10).I32(254).I32(254);  // ten inches square
        Bytes file;
        file.U32(1).U32(static_cast<std::uint32_t>(headerSize)).Append(header.data());
        file.Append(body_.data());
        file.U32(14).U32(20).U32(0).U32(16).U32(20);  // EMR_EOF
        return file.data();
    }

  private:
    int width_, height_, dpi_;
    Bytes body_;
    std::uint32_t records_ = 0;
};

class WmfWriter {
  public:
    // A placeable WMF whose box is (0, 0, right, bottom) in units of 1/unitsPerInch inch.
    WmfWriter(std::int16_t right, std::int16_t bottom, std::uint16_t unitsPerInch)
        : right_(right), bottom_(bottom), inch_(unitsPerInch) {}

    WmfWriter& Record(std::uint16_t function, std::initializer_list<std::int16_t> words) {
        return Record(function, Bytes().I16s(words));
    }
    WmfWriter& Record(std::uint16_t function, const Bytes& params) {
        Bytes padded = params;
        if (padded.size() % 2) padded.U8(0);
        body_.U32(static_cast<std::uint32_t>(3 + padded.size() / 2)).U16(function);
        body_.Append(padded.data());
        return *this;
    }
    WmfWriter& Brush(std::uint32_t colour) {
        ++objects_;
        return Record(0x02FC, Bytes().U16(0).U32(colour).U16(0));
    }
    WmfWriter& Pen(std::uint16_t style, std::int16_t width, std::uint32_t colour) {
        ++objects_;
        return Record(0x02FA, Bytes().U16(style).I16(width).I16(0).U32(colour));
    }
    WmfWriter& Select(std::int16_t slot) { return Record(0x012D, {slot}); }
    WmfWriter& Rectangle(std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b) {
        return Record(0x041B, {b, r, t, l});
    }
    // META_STRETCHDIB of a whole DIB onto (x, y, w, h).
    WmfWriter& StretchDib(std::int16_t x, std::int16_t y, std::int16_t w, std::int16_t h,
                          std::int16_t dibWidth, std::int16_t dibHeight, const Dib& dib,
                          std::uint32_t rop) {
        Bytes p;
        p.U32(rop).U16(0).I16s({dibHeight, dibWidth, 0, 0, h, w, y, x});
        return Record(0x0F43, p.Append(dib.info).Append(dib.bits));
    }

    std::vector<std::uint8_t> Finish() const {
        Bytes file;
        file.U32(0x9AC6CDD7).U16(0).I16(0).I16(0).I16(right_).I16(bottom_).U16(inch_).U32(0);
        file.U16(0);  // checksum, not checked
        const std::size_t words = 9 + body_.size() / 2 + 3;
        file.U16(1).U16(9).U16(0x300).U32(static_cast<std::uint32_t>(words));
        file.U16(static_cast<std::uint16_t>(objects_ + 4)).U32(64).U16(0);
        file.Append(body_.data());
        file.U32(3).U16(0);  // META_EOF
        return file.data();
    }

  private:
    std::int16_t right_, bottom_;
    std::uint16_t inch_;
    Bytes body_;
    int objects_ = 0;
};

}  // namespace morvane::test
