// SPDX-License-Identifier: GPL-3.0-or-later
// Windows metafile (WMF) playback. WMF parameters are 16-bit and stored last one first.
#include <cmath>

#include "metafile/dib.h"
#include "metafile/player.h"
#include "metafile/wmf_records.h"

namespace morvane::metafile {
namespace {

// The i-th 16-bit parameter counted from the end of the record's parameters: WMF stores
// coordinates in reverse, so (x, y) pairs come out as Back(1), Back(0).
std::optional<std::int16_t> Back(const ByteView& v, std::size_t i, std::size_t used) {
    if (used > v.size() / 2 || i >= used) return std::nullopt;
    return v.I16(2 * (used - 1 - i));
}

// `count` parameters at the start, read as signed words, first one first.
std::optional<std::vector<double>> Words(const ByteView& v, std::size_t count) {
    if (!v.Has(0, count * 2)) return std::nullopt;
    std::vector<double> words;
    for (std::size_t i = 0; i < count; ++i) words.push_back(*v.I16(2 * i));
    return words;
}

std::optional<std::vector<QPointF>> Points(const ByteView& v, std::size_t at, std::size_t count) {
    if (count > v.size() / 4 || !v.Has(at, count * 4)) return std::nullopt;
    std::vector<QPointF> points;
    for (std::size_t i = 0; i < count; ++i)
        points.emplace_back(*v.I16(at + 4 * i), *v.I16(at + 4 * i + 2));
    return points;
}

class WmfPlayer {
  public:
    explicit WmfPlayer(Canvas& canvas) : c_(canvas), s_(canvas.state()) {}
    void Play(const Record& r);

  private:
    bool Settings(const Record& r);
    bool Objects(const Record& r);
    bool Shapes(const Record& r);
    bool Polys(const Record& r);
    void Text(const Record& r);
    void Bitmap(const Record& r);

    Canvas& c_;
    DcState& s_;
    std::int64_t dibBudget_ = kMaxDibPixelsPerFile;
};

void WmfPlayer::Play(const Record& r) {
    if (Settings(r) || Objects(r) || Shapes(r) || Polys(r)) return;
    if (r.type == meta::TextOut || r.type == meta::ExtTextOut) return Text(r);
    if (r.type == meta::StretchDib || r.type == meta::DibStretchBlt || r.type == meta::DibBitBlt)
        return Bitmap(r);
}

bool WmfPlayer::Settings(const Record& r) {
    const auto w = Words(r.params, 2);
    const auto word = r.params.U16(0);
    const auto colour = r.params.U32(0);
    const std::optional<QPointF> point =
        w ? std::optional(QPointF((*w)[1], (*w)[0])) : std::nullopt;
    switch (r.type) {
        case meta::SetWindowOrg:
            if (point) s_.windowOrg = *point;
            return true;
        case meta::SetWindowExt:
            if (point) s_.windowExt = *point;
            return true;
        case meta::SetViewportOrg:
            if (point && !c_.mappingLocked()) s_.viewportOrg = *point;
            return true;
        case meta::SetViewportExt:
            if (point && !c_.mappingLocked()) s_.viewportExt = *point;
            return true;
        case meta::SetMapMode:
            if (word && !c_.mappingLocked() && *word >= kMmText && *word <= kMmAnisotropic)
                s_.mapMode = *word;
            return true;
        case meta::SetBkMode:
            if (word) s_.opaqueBackground = *word == 2;
            return true;
        case meta::SetPolyFillMode:
            if (word) s_.fillRule = *word == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            return true;
        case meta::SetTextAlign:
            if (word) s_.textAlign = *word;
            return true;
        case meta::SetBkColor:
            if (colour) s_.backColour = ColourRef(*colour);
            return true;
        case meta::SetTextColor:
            if (colour) s_.textColour = ColourRef(*colour);
            return true;
        case meta::SaveDc:
            c_.Save();
            return true;
        case meta::RestoreDc:
            if (word) c_.Restore(static_cast<std::int16_t>(*word));
            return true;
        case meta::MoveTo:
            if (point) c_.MoveTo(*point);
            return true;
        case meta::LineTo:
            if (point) c_.LineTo(*point);
            return true;
        default:
            return false;
    }
}

bool WmfPlayer::Objects(const Record& r) {
    const ByteView& p = r.params;
    GdiObject object;
    object.kind = GdiObject::Kind::Other;
    switch (r.type) {
        case meta::SelectObject:
            if (const auto i = p.U16(0)) c_.Select(*i);
            return true;
        case meta::DeleteObject:
            if (const auto i = p.U16(0)) c_.Delete(*i);
            return true;
        case meta::CreatePenIndirect: {
            const auto style = p.U16(0);
            const auto width = p.I16(2);
            const auto colour = p.U32(6);
            if (!style || !width || !colour) return true;
            object.kind = GdiObject::Kind::Pen;
            object.pen = PenSpec{*style, std::abs(double(*width)), ColourRef(*colour)};
            break;
        }
        case meta::CreateBrushIndirect: {
            const auto style = p.U16(0), hatch = p.U16(6);
            const auto colour = p.U32(2);
            if (!style || !colour || !hatch) return true;
            object.kind = GdiObject::Kind::Brush;
            object.brush = BrushSpec{*style, ColourRef(*colour), *hatch, {}};
            break;
        }
        case meta::DibCreatePatternBrush: {
            const auto dib = p.Sub(4, p.size() >= 4 ? p.size() - 4 : 0);
            const auto pattern = dib ? DecodePackedDib(*dib, dibBudget_) : std::nullopt;
            object.kind = GdiObject::Kind::Brush;
            object.brush = BrushSpec{pattern ? 5u : 0u, Qt::gray, 0, pattern.value_or(QImage())};
            break;
        }
        case meta::CreateFontIndirect: {
            const auto height = p.I16(0), esc = p.I16(4), weight = p.I16(8);
            const auto italic = p.U8(10), under = p.U8(11), strike = p.U8(12);
            if (!height || !esc || !weight || !italic || !under || !strike) return true;
            QByteArray face;
            for (std::size_t i = 18; i < 50 && p.U8(i).value_or(0) != 0; ++i)
                face.append(char(*p.U8(i)));
            object.kind = GdiObject::Kind::Font;
            object.font = FontSpec{double(*height),
                                   *weight,
                                   *italic != 0,
                                   *under != 0,
                                   *strike != 0,
                                   double(*esc),
                                   QString::fromLatin1(face)};
            break;
        }
        // These take a slot in the object table even though nothing here draws with them.
        case meta::CreatePalette:
        case meta::CreatePatternBrush:
        case meta::CreateRegion:
            break;
        default:
            return false;
    }
    c_.StoreInFreeSlot(std::move(object));
    return true;
}

bool WmfPlayer::Shapes(const Record& r) {
    const ByteView& p = r.params;
    const auto box = [&](std::size_t used) -> std::optional<QRectF> {
        const auto l = Back(p, 0, used), t = Back(p, 1, used), rt = Back(p, 2, used),
                   b = Back(p, 3, used);
        if (!l || !t || !rt || !b) return std::nullopt;
        return QRectF(QPointF(*l, *t), QPointF(*rt, *b)).normalized();
    };
    switch (r.type) {
        case meta::Rectangle:
        case meta::Ellipse:
        case meta::RoundRect: {
            const std::size_t used = r.type == meta::RoundRect ? 6 : 4;
            const auto b = box(used);
            if (!b) return true;
            QPainterPath shape;
            if (r.type == meta::Rectangle) shape.addRect(*b);
            if (r.type == meta::Ellipse) shape.addEllipse(*b);
            if (r.type == meta::RoundRect)
                shape.addRoundedRect(*b, std::abs(*Back(p, 4, used)) / 2.0,
                                     std::abs(*Back(p, 5, used)) / 2.0);
            c_.Shape(shape, true, true);
            return true;
        }
        case meta::IntersectClipRect:
        case meta::ExcludeClipRect: {
            if (const auto b = box(4)) {
                if (r.type == meta::IntersectClipRect)
                    c_.IntersectClip(*b);
                else
                    c_.ExcludeClip(*b);
            }
            return true;
        }
        case meta::Arc:
        case meta::Pie:
        case meta::Chord: {
            const auto b = box(8);
            const auto w = Words(p, 4);
            if (!b || !w) return true;
            const QPointF end((*w)[1], (*w)[0]), start((*w)[3], (*w)[2]);
            c_.ArcShape(*b, start, end, r.type == meta::Arc ? 0 : r.type == meta::Chord ? 1 : 2);
            return true;
        }
        default:
            return false;
    }
}

bool WmfPlayer::Polys(const Record& r) {
    const ByteView& p = r.params;
    if (r.type == meta::Polygon || r.type == meta::Polyline) {
        const auto count = p.I16(0);
        const auto points = count && *count > 0 ? Points(p, 2, std::size_t(*count)) : std::nullopt;
        if (!points) return true;
        QPainterPath shape(points->front());
        for (std::size_t i = 1; i < points->size(); ++i) shape.lineTo((*points)[i]);
        const bool closed = r.type == meta::Polygon;
        if (closed) shape.closeSubpath();
        c_.Shape(shape, closed, true);
        return true;
    }
    if (r.type != meta::PolyPolygon) return false;
    const auto polys = p.U16(0);
    if (!polys || !p.Has(2, std::size_t{*polys} * 2)) return true;
    QPainterPath shape;
    std::size_t at = 2 + std::size_t{*polys} * 2;
    for (std::size_t i = 0; i < *polys; ++i) {
        const auto points = Points(p, at, *p.U16(2 + 2 * i));
        if (!points) return true;
        for (std::size_t k = 0; k < points->size(); ++k) {
            if (k == 0)
                shape.moveTo((*points)[k]);
            else
                shape.lineTo((*points)[k]);
        }
        if (!points->empty()) shape.closeSubpath();
        at += points->size() * 4;
    }
    c_.Shape(shape, true, true);
    return true;
}

void WmfPlayer::Text(const Record& r) {
    const ByteView& p = r.params;
    std::size_t at = 0;
    QPointF reference;
    std::uint32_t options = 0;
    std::optional<QRectF> rect;
    std::optional<std::int16_t> count;
    if (r.type == meta::TextOut) {
        count = p.I16(0);
        if (!count || *count <= 0) return;
        const std::size_t padded = (std::size_t(*count) + 1) / 2 * 2;
        const auto y = p.I16(2 + padded), x = p.I16(4 + padded);
        if (!x || !y) return;
        reference = QPointF(*x, *y);
        at = 2;
    } else {
        const auto w = Words(p, 4);
        if (!w || (*w)[2] <= 0) return;
        reference = QPointF((*w)[1], (*w)[0]);
        count = static_cast<std::int16_t>((*w)[2]);
        options = static_cast<std::uint16_t>((*w)[3]);
        at = 8;
        if (options & 6) {
            const auto b = Words(*p.Sub(8, p.size() - 8), 4);
            if (!b) return;
            rect = QRectF(QPointF((*b)[0], (*b)[1]), QPointF((*b)[2], (*b)[3]));
            at = 16;
        }
    }
    const auto bytes = p.Sub(at, std::size_t(*count));
    if (!bytes) return;
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(bytes->bytes().data()),
                                             qsizetype(bytes->size()));
    std::vector<double> advances;
    const std::size_t dxAt = at + (std::size_t(*count) + 1) / 2 * 2;
    if (r.type == meta::ExtTextOut && p.Has(dxAt, std::size_t(*count) * 2)) {
        for (std::size_t i = 0; i < std::size_t(*count); ++i)
            advances.push_back(*p.I16(dxAt + 2 * i));
    }
    c_.Text(reference, text, options, rect, advances);
}

void WmfPlayer::Bitmap(const Record& r) {
    const ByteView& p = r.params;
    const auto rop = p.U32(0);
    // Word positions after the raster operation: StretchDib has a colour-usage word first.
    const std::size_t first = r.type == meta::StretchDib ? 6 : 4;
    const bool stretch = r.type != meta::DibBitBlt;
    const std::size_t words = stretch ? 8 : 6;
    const auto w = p.Sub(first, words * 2) ? Words(*p.Sub(first, words * 2), words) : std::nullopt;
    if (!rop || !w) return;
    const std::size_t dibAt = first + words * 2;
    const auto dib = p.Sub(dibAt, p.size() > dibAt ? p.size() - dibAt : 0);
    const auto image = dib ? DecodePackedDib(*dib, dibBudget_) : std::nullopt;
    if (!image) return;
    const auto& v = *w;
    QRectF source, target;
    if (stretch) {
        source = QRectF(v[3], v[2], v[1], v[0]);
        target = QRectF(v[7], v[6], v[5], v[4]);
    } else {
        source = QRectF(v[1], v[0], v[3], v[2]);
        target = QRectF(v[5], v[4], v[3], v[2]);
    }
    c_.Blit(target, &*image, source.normalized(), *rop);
}

}  // namespace

void PlayWmf(const WmfFile& file, Canvas& canvas) {
    WmfPlayer player(canvas);
    for (const Record& record : file.records) player.Play(record);
}

}  // namespace morvane::metafile
