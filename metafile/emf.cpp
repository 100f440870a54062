// SPDX-License-Identifier: GPL-3.0-or-later
// Enhanced metafile (EMF) playback.
#include <cmath>

#include "metafile/dib.h"
#include "metafile/emf_records.h"
#include "metafile/player.h"

namespace morvane::metafile {
namespace {

constexpr std::uint32_t kStockFlag = 0x80000000;
constexpr double kMaxTransformEntry = 1e6;

std::optional<QPointF> Point(const ByteView& v, std::size_t at) {
    const auto x = v.I32(at), y = v.I32(at + 4);
    if (!x || !y) return std::nullopt;
    return QPointF(*x, *y);
}

std::optional<QRectF> Box(const ByteView& v, std::size_t at) {
    const auto a = Point(v, at), b = Point(v, at + 8);
    if (!a || !b) return std::nullopt;
    return QRectF(*a, *b);
}

std::optional<std::vector<QPointF>> Points(const ByteView& v, std::size_t at, std::uint32_t count,
                                           bool wide) {
    const std::size_t size = wide ? 8 : 4;
    if (count > v.size() / size || !v.Has(at, std::size_t{count} * size)) return std::nullopt;
    std::vector<QPointF> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t p = at + i * size;
        points.emplace_back(wide ? *v.I32(p) : *v.I16(p), wide ? *v.I32(p + 4) : *v.I16(p + 2));
    }
    return points;
}

std::optional<QTransform> XForm(const ByteView& v, std::size_t at) {
    double m[6];
    for (std::size_t i = 0; i < 6; ++i) {
        const auto f = v.F32(at + 4 * i);
        if (!f || !std::isfinite(*f) || std::abs(*f) > kMaxTransformEntry) return std::nullopt;
        m[i] = *f;
    }
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

class EmfPlayer {
  public:
    explicit EmfPlayer(Canvas& canvas) : c_(canvas), s_(canvas.state()) {}
    void Play(const Record& r);

  private:
    void Poly(const Record& r, bool wide);
    void PolyPoly(const Record& r, bool wide);
    bool Mapping(const Record& r);
    bool State(const Record& r);
    bool Objects(const Record& r);
    bool Shapes(const Record& r);
    bool Paths(const Record& r);
    void ClipRegion(const Record& r);
    void Text(const Record& r, bool wide);
    void Bitmap(const Record& r);
    std::optional<QImage> Dib(const Record& r, std::size_t infoAt, std::size_t bitsAt);

    Canvas& c_;
    DcState& s_;
    std::int64_t dibBudget_ = kMaxDibPixelsPerFile;
};

void EmfPlayer::Play(const Record& r) {
    using namespace emr;
    switch (r.type) {
        case PolyBezier:
        case Polygon:
        case Polyline:
        case PolyBezierTo:
        case PolylineTo:
            return Poly(r, true);
        case PolyBezier16:
        case Polygon16:
        case Polyline16:
        case PolyBezierTo16:
        case PolylineTo16:
            return Poly(r, false);
        case PolyPolyline:
        case PolyPolygon:
            return PolyPoly(r, true);
        case PolyPolyline16:
        case PolyPolygon16:
            return PolyPoly(r, false);
        case ExtSelectClipRgn:
            return ClipRegion(r);
        case ExtTextOutW:
            return Text(r, true);
        case ExtTextOutA:
            return Text(r, false);
        case BitBlt:
        case StretchBlt:
        case StretchDiBits:
        case SetDiBitsToDevice:
            return Bitmap(r);
        default:
            if (Mapping(r) || State(r) || Objects(r) || Shapes(r)) return;
            Paths(r);
    }
}

void EmfPlayer::Poly(const Record& r, bool wide) {
    const auto count = r.params.U32(16);
    if (!count) return;
    const auto points = Points(r.params, 20, *count, wide);
    if (!points || points->empty()) return;
    const std::uint32_t t = wide ? r.type : r.type - (emr::PolyBezier16 - emr::PolyBezier);
    if (t == emr::PolylineTo) {
        for (const QPointF& p : *points) c_.LineTo(p);
    } else if (t == emr::PolyBezierTo) {
        c_.BezierTo(*points);
    } else if (t == emr::PolyBezier) {
        const QPointF keep = s_.current;  // the record leaves the current position alone
        c_.MoveTo(points->front());
        c_.BezierTo(std::vector<QPointF>(points->begin() + 1, points->end()));
        s_.current = keep;
    } else {
        QPainterPath shape(points->front());
        for (std::size_t i = 1; i < points->size(); ++i) shape.lineTo((*points)[i]);
        if (t == emr::Polygon) shape.closeSubpath();
        c_.Shape(shape, t == emr::Polygon, true);
    }
}

void EmfPlayer::PolyPoly(const Record& r, bool wide) {
    const auto polys = r.params.U32(16), total = r.params.U32(20);
    if (!polys || !total || *polys > r.params.size() / 4) return;
    const std::size_t pointsAt = 24 + std::size_t{*polys} * 4;
    const auto points = Points(r.params, pointsAt, *total, wide);
    if (!points) return;
    const bool closed = r.type == emr::PolyPolygon || r.type == emr::PolyPolygon16;
    QPainterPath shape;
    std::size_t next = 0;
    for (std::size_t i = 0; i < *polys; ++i) {
        const std::uint32_t n = *r.params.U32(24 + 4 * i);
        if (n > points->size() - next) return;
        for (std::size_t k = 0; k < n; ++k) {
            if (k == 0)
                shape.moveTo((*points)[next + k]);
            else
                shape.lineTo((*points)[next + k]);
        }
        if (closed && n > 0) shape.closeSubpath();
        next += n;
    }
    c_.Shape(shape, closed, true);
}

bool EmfPlayer::Mapping(const Record& r) {
    const auto p = Point(r.params, 0);
    switch (r.type) {
        case emr::SetWindowExtEx:
            if (p) s_.windowExt = *p;
            return true;
        case emr::SetWindowOrgEx:
            if (p) s_.windowOrg = *p;
            return true;
        case emr::SetViewportExtEx:
            if (p) s_.viewportExt = *p;
            return true;
        case emr::SetViewportOrgEx:
            if (p) s_.viewportOrg = *p;
            return true;
        case emr::SetMapMode: {
            const auto mode = r.params.U32(0);
            if (mode && *mode >= kMmText && *mode <= kMmAnisotropic) s_.mapMode = *mode;
            return true;
        }
        case emr::SetWorldTransform:
            if (const auto x = XForm(r.params, 0)) s_.world = *x;
            return true;
        case emr::ModifyWorldTransform: {
            const auto x = XForm(r.params, 0);
            const auto mode = r.params.U32(24);
            if (!x || !mode) return true;
            if (*mode == 1) s_.world = QTransform();
            if (*mode == 2) s_.world = *x * s_.world;
            if (*mode == 3) s_.world = s_.world * *x;
            if (*mode == 4) s_.world = *x;
            return true;
        }
        default:
            return false;
    }
}

bool EmfPlayer::State(const Record& r) {
    const auto value = r.params.U32(0);
    switch (r.type) {
        case emr::SaveDc:
            c_.Save();
            return true;
        case emr::RestoreDc:
            if (value) c_.Restore(static_cast<std::int32_t>(*value));
            return true;
        case emr::SetBkMode:
            if (value) s_.opaqueBackground = *value == 2;
            return true;
        case emr::SetPolyFillMode:
            if (value) s_.fillRule = *value == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            return true;
        case emr::SetTextAlign:
            if (value) s_.textAlign = *value;
            return true;
        case emr::SetTextColor:
            if (value) s_.textColour = ColourRef(*value);
            return true;
        case emr::SetBkColor:
            if (value) s_.backColour = ColourRef(*value);
            return true;
        case emr::SetArcDirection:
            if (value) s_.clockwise = *value == 2;
            return true;
        case emr::MoveToEx:
            if (const auto p = Point(r.params, 0)) c_.MoveTo(*p);
            return true;
        case emr::LineTo:
            if (const auto p = Point(r.params, 0)) c_.LineTo(*p);
            return true;
        case emr::IntersectClipRect:
        case emr::ExcludeClipRect:
            if (const auto b = Box(r.params, 0)) {
                if (r.type == emr::IntersectClipRect)
                    c_.IntersectClip(*b);
                else
                    c_.ExcludeClip(*b);
            }
            return true;
        default:
            return false;
    }
}

bool EmfPlayer::Objects(const Record& r) {
    const auto slot = r.params.U32(0);
    if (!slot) return r.type == emr::SelectObject || r.type == emr::DeleteObject;
    GdiObject object;
    switch (r.type) {
        case emr::SelectObject:
            if (*slot & kStockFlag)
                c_.SelectStock(*slot & ~kStockFlag);
            else
                c_.Select(*slot);
            return true;
        case emr::DeleteObject:
            c_.Delete(*slot);
            return true;
        case emr::CreatePen: {
            const auto style = r.params.U32(4), colour = r.params.U32(16);
            const auto width = r.params.I32(8);
            if (!style || !width || !colour) return true;
            object.pen = PenSpec{*style, std::abs(double(*width)), ColourRef(*colour)};
            break;
        }
        case emr::ExtCreatePen: {
            const auto style = r.params.U32(20), width = r.params.U32(24),
                       colour = r.params.U32(32);
            if (!style || !width || !colour) return true;
            object.pen = PenSpec{*style, double(*width), ColourRef(*colour)};
            break;
        }
        case emr::CreateBrushIndirect: {
            const auto style = r.params.U32(4), colour = r.params.U32(8), hatch = r.params.U32(12);
            if (!style || !colour || !hatch) return true;
            object.kind = GdiObject::Kind::Brush;
            object.brush = BrushSpec{*style, ColourRef(*colour), *hatch, {}};
            break;
        }
        case emr::CreateDibPatternBrushPt: {
            const auto pattern = Dib(r, 8, 16);
            object.kind = GdiObject::Kind::Brush;
            object.brush = BrushSpec{5, Qt::gray, 0, pattern.value_or(QImage())};
            if (!pattern) object.brush.style = 0;
            break;
        }
        case emr::ExtCreateFontIndirectW: {
            const auto height = r.params.I32(4), esc = r.params.I32(12), weight = r.params.I32(20);
            const auto italic = r.params.U8(24), under = r.params.U8(25), strike = r.params.U8(26);
            const auto face = Utf16At(r.params, 32, 32);
            if (!height || !esc || !weight || !italic || !under || !strike || !face) return true;
            object.kind = GdiObject::Kind::Font;
            QString name = QString::fromStdU16String(*face);
            name.truncate(name.indexOf(QChar(0)) < 0 ? name.size() : name.indexOf(QChar(0)));
            object.font = FontSpec{double(*height), *weight,      *italic != 0, *under != 0,
                                   *strike != 0,    double(*esc), name};
            break;
        }
        default:
            return false;
    }
    c_.Store(*slot, std::move(object));
    return true;
}

bool EmfPlayer::Shapes(const Record& r) {
    const auto box = Box(r.params, 0);
    switch (r.type) {
        case emr::Rectangle:
        case emr::Ellipse:
        case emr::RoundRect: {
            if (!box) return true;
            QPainterPath shape;
            const QRectF b = box->normalized();
            if (r.type == emr::Rectangle) shape.addRect(b);
            if (r.type == emr::Ellipse) shape.addEllipse(b);
            if (r.type == emr::RoundRect) {
                const auto corner = Point(r.params, 16);
                if (!corner) return true;
                shape.addRoundedRect(b, std::abs(corner->x()) / 2, std::abs(corner->y()) / 2);
            }
            c_.Shape(shape, true, true);
            return true;
        }
        case emr::Arc:
        case emr::Chord:
        case emr::Pie:
        case emr::ArcTo: {
            const auto start = Point(r.params, 16), end = Point(r.params, 24);
            if (!box || !start || !end) return true;
            if (r.type == emr::ArcTo)
                c_.ArcTo(*box, *start, *end);
            else
                c_.ArcShape(*box, *start, *end,
                            r.type == emr::Arc     ? 0
                            : r.type == emr::Chord ? 1
                                                   : 2);
            return true;
        }
        default:
            return false;
    }
}

bool EmfPlayer::Paths(const Record& r) {
    switch (r.type) {
        case emr::BeginPath:
            c_.BeginPath();
            return true;
        case emr::EndPath:
            c_.EndPath();
            return true;
        case emr::AbortPath:
            c_.AbortPath();
            return true;
        case emr::CloseFigure:
            c_.CloseFigure();
            return true;
        case emr::FillPath:
            c_.FillPath(true, false);
            return true;
        case emr::StrokePath:
            c_.FillPath(false, true);
            return true;
        case emr::StrokeAndFillPath:
            c_.FillPath(true, true);
            return true;
        case emr::SelectClipPath:
            c_.SelectClipPath();
            return true;
        default:
            return false;
    }
}

void EmfPlayer::ClipRegion(const Record& r) {
    const auto size = r.params.U32(0), mode = r.params.U32(4);
    if (!size || !mode) return;
    constexpr std::uint32_t kRgnAnd = 1, kRgnCopy = 5;
    if (*size == 0) {
        if (*mode == kRgnCopy) c_.SetDeviceClip(std::nullopt);
        return;
    }
    const auto data = r.params.Sub(8, *size);
    const auto count = data ? data->U32(8) : std::nullopt;
    if (!count || *count > data->size() / 16) return;
    QPainterPath region;
    for (std::size_t i = 0; i < *count; ++i) {
        const auto rect = Box(*data, 32 + 16 * i);
        if (!rect) return;
        region.addRect(*rect);
    }
    region = region.simplified();
    const auto old = s_.clip;
    if (*mode == kRgnCopy) c_.SetDeviceClip(region);
    if (*mode == kRgnAnd) {
        c_.SetDeviceClip(region);
        if (old && s_.clip) s_.clip = old->intersected(*s_.clip);
    }
}

void EmfPlayer::Text(const Record& r, bool wide) {
    const auto ref = Point(r.params, 28);
    const auto chars = r.params.U32(36), offString = r.params.U32(40), options = r.params.U32(44),
               offDx = r.params.U32(64);
    const auto rect = Box(r.params, 48);
    if (!ref || !chars || !offString || !options || !rect || !offDx) return;
    QString text;
    if (wide) {
        const auto units = Utf16At(r.whole, *offString, *chars);
        if (!units) return;
        text = QString::fromStdU16String(*units);
    } else {
        const auto bytes = r.whole.Sub(*offString, *chars);
        if (!bytes) return;
        text = QString::fromLatin1(reinterpret_cast<const char*>(bytes->bytes().data()),
                                   qsizetype(bytes->size()));
    }
    std::vector<double> advances;
    if (*offDx != 0 && r.whole.Has(*offDx, std::size_t{*chars} * 4)) {
        for (std::size_t i = 0; i < *chars; ++i) advances.push_back(*r.whole.I32(*offDx + 4 * i));
    }
    const bool hasRect = rect->width() != 0 && rect->height() != 0;
    c_.Text(*ref, text, *options, hasRect ? std::optional(*rect) : std::nullopt, advances);
}

std::optional<QImage> EmfPlayer::Dib(const Record& r, std::size_t infoAt, std::size_t bitsAt) {
    const auto offInfo = r.params.U32(infoAt), cbInfo = r.params.U32(infoAt + 4);
    const auto offBits = r.params.U32(bitsAt), cbBits = r.params.U32(bitsAt + 4);
    if (!offInfo || !cbInfo || !offBits || !cbBits || *cbInfo == 0) return std::nullopt;
    const auto info = r.whole.Sub(*offInfo, *cbInfo);
    const auto bits = r.whole.Sub(*offBits, *cbBits);
    if (!info || !bits) return std::nullopt;
    return DecodeDib(*info, *bits, dibBudget_);
}

void EmfPlayer::Bitmap(const Record& r) {
    const ByteView& p = r.params;
    const bool stretchDib = r.type == emr::StretchDiBits,
               toDevice = r.type == emr::SetDiBitsToDevice;
    const auto dest = Point(p, 16);
    const auto destSize = stretchDib ? Point(p, 64) : toDevice ? Point(p, 32) : Point(p, 24);
    const auto src = stretchDib || toDevice ? Point(p, 24) : Point(p, 36);
    const auto rop = stretchDib ? p.U32(60)
                     : toDevice ? std::optional<std::uint32_t>(0x00CC0020)
                                : p.U32(32);
    if (!dest || !destSize || !src || !rop) return;
    const QRectF target(*dest, QSizeF(destSize->x(), destSize->y()));
    const auto image = stretchDib || toDevice ? Dib(r, 40, 48) : Dib(r, 76, 84);
    if (!image) {
        if (!stretchDib && !toDevice && p.U32(80) == 0u) c_.Blit(target, nullptr, {}, *rop);
        return;
    }
    std::optional<QPointF> srcSize = destSize;
    if (stretchDib || toDevice) srcSize = Point(p, 32);
    if (r.type == emr::StretchBlt) srcSize = Point(p, 92);
    if (!srcSize) return;
    // Source rectangles count from the picture's top row.
    const QRectF source(*src, QSizeF(srcSize->x(), srcSize->y()));
    c_.Blit(target, &*image, source.normalized(), *rop);
}

}  // namespace

void PlayEmf(const EmfFile& file, Canvas& canvas) {
    EmfPlayer player(canvas);
    for (const Record& record : file.records) player.Play(record);
}

}  // namespace morvane::metafile
