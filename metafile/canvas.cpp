// SPDX-License-Identifier: GPL-3.0-or-later
#include "metafile/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morvane::metafile {
namespace {

// Shapes reaching further than this from the canvas come from damaged coordinates; drawing
// them would only cost time.
constexpr double kMaxCoordinate = 1e7;
constexpr std::size_t kMaxSavedStates = 4096;

constexpr std::uint32_t kPsNull = 5;
constexpr std::uint32_t kBsNull = 1;
constexpr std::uint32_t kBsHatched = 2;
constexpr std::uint32_t kBsDibPattern = 5;

double MillimetresPerUnit(std::uint32_t mode) {
    switch (mode) {
        case kMmLoMetric:
            return 0.1;
        case kMmHiMetric:
            return 0.01;
        case kMmLoEnglish:
            return 0.254;
        case kMmHiEnglish:
            return 0.0254;
        case kMmTwips:
            return 25.4 / 1440;
        default:
            return 0;
    }
}

Qt::BrushStyle HatchStyle(std::uint32_t hatch) {
    switch (hatch) {
        case 0:
            return Qt::HorPattern;
        case 1:
            return Qt::VerPattern;
        case 2:
            return Qt::BDiagPattern;
        case 3:
            return Qt::FDiagPattern;
        case 4:
            return Qt::CrossPattern;
        default:
            return Qt::DiagCrossPattern;
    }
}

Qt::PenStyle DashStyle(std::uint32_t style) {
    switch (style & 0xF) {
        case 1:
            return Qt::DashLine;
        case 2:
            return Qt::DotLine;
        case 3:
            return Qt::DashDotLine;
        case 4:
            return Qt::DashDotDotLine;
        default:
            return Qt::SolidLine;
    }
}

}  // namespace

bool WithinReach(const QRectF& box) {
    const auto ok = [](double v) { return std::isfinite(v) && std::abs(v) < kMaxCoordinate; };
    return ok(box.left()) && ok(box.right()) && ok(box.top()) && ok(box.bottom());
}

Canvas::Canvas(QImage& image, const QTransform& deviceToCanvas, QPointF pixelsPerMm,
               std::size_t objectSlots)
    : image_(image),
      painter_(&image),
      deviceToCanvas_(deviceToCanvas),
      pixelsPerMm_(pixelsPerMm),
      objects_(objectSlots) {
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
}

QTransform Canvas::Transform() const {
    const DcState& s = state_;
    double sx = 1, sy = 1;
    const double mm = MillimetresPerUnit(s.mapMode);
    if (mm > 0) {
        sx = pixelsPerMm_.x() * mm;
        sy = -pixelsPerMm_.y() * mm;
    } else if (s.mapMode == kMmIsotropic || s.mapMode == kMmAnisotropic) {
        sx = s.windowExt.x() != 0 ? s.viewportExt.x() / s.windowExt.x() : 1;
        sy = s.windowExt.y() != 0 ? s.viewportExt.y() / s.windowExt.y() : 1;
        if (s.mapMode == kMmIsotropic) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }
    const QTransform page = QTransform::fromTranslate(-s.windowOrg.x(), -s.windowOrg.y()) *
                            QTransform::fromScale(sx, sy) *
                            QTransform::fromTranslate(s.viewportOrg.x(), s.viewportOrg.y());
    return s.world * page * deviceToCanvas_;
}

void Canvas::Save() {
    if (saved_.size() < kMaxSavedStates) saved_.push_back(state_);
}

void Canvas::Restore(std::int32_t which) {
    // Negative: that many levels back; positive: the level counted from the first save.
    const std::int64_t depth = static_cast<std::int64_t>(saved_.size());
    const std::int64_t level = which < 0 ? depth + which : std::int64_t{which} - 1;
    if (which == 0 || level < 0 || level >= depth) return;
    state_ = saved_[static_cast<std::size_t>(level)];
    saved_.resize(static_cast<std::size_t>(level));
}

void Canvas::Store(std::size_t slot, GdiObject object) {
    if (slot < objects_.size()) objects_[slot] = std::move(object);
}

std::optional<std::size_t> Canvas::StoreInFreeSlot(GdiObject object) {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        if (!objects_[i]) {
            objects_[i] = std::move(object);
            return i;
        }
    }
    return std::nullopt;
}

void Canvas::Select(std::size_t slot) {
    if (slot >= objects_.size() || !objects_[slot]) return;
    const GdiObject& object = *objects_[slot];
    switch (object.kind) {
        case GdiObject::Kind::Pen:
            state_.pen = object.pen;
            break;
        case GdiObject::Kind::Brush:
            state_.brush = object.brush;
            break;
        case GdiObject::Kind::Font:
            state_.font = object.font;
            break;
        case GdiObject::Kind::Other:
            break;
    }
}

void Canvas::SelectStock(std::uint32_t stock) {
    static constexpr int kGreys[] = {255, 192, 128, 64, 0};
    if (stock <= 4) {
        state_.brush = BrushSpec{0, QColor(kGreys[stock], kGreys[stock], kGreys[stock]), 0, {}};
    } else if (stock == 5) {
        state_.brush = BrushSpec{kBsNull, Qt::white, 0, {}};
    } else if (stock == 6 || stock == 7) {
        state_.pen = PenSpec{0, 0, stock == 6 ? Qt::white : Qt::black};
    } else if (stock == 8) {
        state_.pen = PenSpec{kPsNull, 0, Qt::black};
    } else if (stock >= 10 && stock <= 17) {
        state_.font = FontSpec{};
    }
}

void Canvas::Delete(std::size_t slot) {
    if (slot < objects_.size()) objects_[slot].reset();
}

QPen Canvas::MakePen(const QTransform& transform) const {
    const PenSpec& wanted = state_.pen;
    if ((wanted.style & 0xF) == kPsNull) return Qt::NoPen;
    QPen pen(wanted.colour);
    pen.setStyle(DashStyle(wanted.style));
    const std::uint32_t cap = wanted.style & 0xF00, join = wanted.style & 0xF000;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join == 0x1000   ? Qt::BevelJoin
                     : join == 0x2000 ? Qt::MiterJoin
                                      : Qt::RoundJoin);
    // GDI never draws a line thinner than one device pixel.
    const double scale = std::sqrt(std::abs(transform.determinant()));
    if (wanted.width * scale <= 1 || !std::isfinite(wanted.width * scale)) {
        pen.setCosmetic(true);
        pen.setWidthF(1);
    } else {
        pen.setWidthF(wanted.width);
    }
    return pen;
}

QBrush Canvas::MakeBrush() const {
    const BrushSpec& wanted = state_.brush;
    if (wanted.style == kBsNull) return Qt::NoBrush;
    if (wanted.style == kBsHatched) return QBrush(wanted.colour, HatchStyle(wanted.hatch));
    if ((wanted.style == kBsDibPattern || wanted.style == 6) && !wanted.pattern.isNull())
        return QBrush(wanted.pattern);
    return QBrush(wanted.colour);
}

bool Canvas::PrepareClip(QPainter& painter) const {
    painter.resetTransform();
    if (state_.clip) {
        if (state_.clip->isEmpty()) return false;
        painter.setClipPath(*state_.clip);
    } else {
        painter.setClipping(false);
    }
    return true;
}

void Canvas::Paint(const QPainterPath& shape, bool fill, bool stroke) {
    const QTransform transform = Transform();
    if (!WithinReach(transform.mapRect(shape.boundingRect()))) return;
    painter_.save();
    if (PrepareClip(painter_)) {
        painter_.setTransform(transform);
        QPainterPath filled = shape;
        filled.setFillRule(state_.fillRule);
        const QBrush brush = fill ? MakeBrush() : QBrush(Qt::NoBrush);
        if (brush.style() != Qt::NoBrush && brush.style() != Qt::SolidPattern &&
            brush.style() != Qt::TexturePattern && state_.opaqueBackground)
            painter_.fillPath(filled, state_.backColour);
        painter_.setBrush(brush);
        painter_.setPen(stroke ? MakePen(transform) : QPen(Qt::NoPen));
        painter_.drawPath(filled);
    }
    painter_.restore();
}

void Canvas::Shape(const QPainterPath& shape, bool fill, bool stroke) {
    if (recording_) {
        path_.addPath(shape);
        return;
    }
    Paint(shape, fill, stroke);
}

void Canvas::MoveTo(QPointF point) {
    state_.current = point;
    if (recording_) path_.moveTo(point);
}

QPainterPath& Canvas::Continue(QPainterPath& line) {
    if (!recording_) {
        line = QPainterPath(state_.current);
        return line;
    }
    // Each figure starts where its move-to says, never joined to the figure before.
    if (path_.elementCount() == 0 || path_.currentPosition() != state_.current)
        path_.moveTo(state_.current);
    return path_;
}

void Canvas::Advance(const QPainterPath& target) {
    state_.current = target.currentPosition();
    if (!recording_) Paint(target, false, true);
}

void Canvas::LineTo(QPointF point) {
    QPainterPath line;
    QPainterPath& target = Continue(line);
    target.lineTo(point);
    Advance(target);
}

void Canvas::BezierTo(const std::vector<QPointF>& points) {
    QPainterPath line;
    QPainterPath& target = Continue(line);
    for (std::size_t i = 0; i + 2 < points.size(); i += 3)
        target.cubicTo(points[i], points[i + 1], points[i + 2]);
    Advance(target);
}

std::optional<Canvas::ArcSweep> Canvas::Sweep(const QRectF& box, QPointF start, QPointF end) const {
    // GDI takes the arc between the rays from the centre through the two points; Qt wants
    // the angles of the ellipse's parameter, counter-clockwise as seen on the page.
    const QRectF r = box.normalized();
    if (!(r.width() > 0 && r.height() > 0)) return std::nullopt;
    const QPointF c = r.center();
    const auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) / r.height(), (p.x() - c.x()) / r.width()) * 180 /
               std::numbers::pi;
    };
    const double a0 = angle(start);
    double sweep = angle(end) - a0;
    if (state_.clockwise) {
        while (sweep >= 0) sweep -= 360;
    } else {
        while (sweep <= 0) sweep += 360;
    }
    return ArcSweep{r, a0, sweep};
}

void Canvas::ArcShape(const QRectF& box, QPointF start, QPointF end, int kind) {
    const auto arc = Sweep(box, start, end);
    if (!arc) return;
    QPainterPath path;
    if (kind == 2)
        path.moveTo(arc->box.center());  // arcTo draws the pie's first side from here
    else
        path.arcMoveTo(arc->box, arc->start);
    path.arcTo(arc->box, arc->start, arc->sweep);
    if (kind != 0) path.closeSubpath();
    Shape(path, kind != 0, true);
}

void Canvas::ArcTo(const QRectF& box, QPointF start, QPointF end) {
    const auto arc = Sweep(box, start, end);
    if (!arc) return;
    QPainterPath line;
    QPainterPath& target = Continue(line);
    target.arcTo(arc->box, arc->start, arc->sweep);  // with the line to the arc's start
    Advance(target);
}

void Canvas::BeginPath() {
    path_ = QPainterPath();
    recording_ = true;
}

void Canvas::AbortPath() {
    path_ = QPainterPath();
    recording_ = false;
}

void Canvas::CloseFigure() {
    if (recording_) path_.closeSubpath();
}

void Canvas::FillPath(bool fill, bool stroke) {
    recording_ = false;
    Paint(path_, fill, stroke);
    path_ = QPainterPath();
}

void Canvas::SelectClipPath() {
    recording_ = false;
    QPainterPath clip = Transform().map(path_);
    clip.setFillRule(state_.fillRule);
    if (WithinReach(clip.boundingRect()))
        state_.clip = state_.clip ? state_.clip->intersected(clip) : clip;
    path_ = QPainterPath();
}

void Canvas::IntersectClip(const QRectF& logical) {
    QPainterPath rect;
    rect.addRect(logical.normalized());
    const QPainterPath mapped = Transform().map(rect);
    if (!WithinReach(mapped.boundingRect())) return;
    state_.clip = state_.clip ? state_.clip->intersected(mapped) : mapped;
}

void Canvas::ExcludeClip(const QRectF& logical) {
    QPainterPath rect;
    rect.addRect(logical.normalized());
    const QPainterPath mapped = Transform().map(rect);
    if (!WithinReach(mapped.boundingRect())) return;
    QPainterPath all;
    all.addRect(QRectF(image_.rect()));
    state_.clip = (state_.clip ? *state_.clip : all).subtracted(mapped);
}

void Canvas::SetDeviceClip(const std::optional<QPainterPath>& device) {
    if (!device) {
        state_.clip.reset();
        return;
    }
    const QPainterPath mapped = deviceToCanvas_.map(*device);
    if (WithinReach(mapped.boundingRect())) state_.clip = mapped;
}

}  // namespace morvane::metafile
