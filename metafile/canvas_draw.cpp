// SPDX-License-Identifier: GPL-3.0-or-later
// Text and bitmaps on the metafile canvas.
#include <QFontMetricsF>
#include <QGuiApplication>

#include <cmath>
#include <numeric>

#include "metafile/canvas.h"

namespace morvane::metafile {
namespace {

constexpr int kMaxFontPixels = 4096;
constexpr double kDefaultFontPixels = 12;
constexpr std::uint32_t kEtoOpaque = 2;
constexpr std::uint32_t kEtoClipped = 4;
constexpr std::uint32_t kTaUpdateCp = 1;
constexpr std::uint32_t kTaHorizontal = 6;
constexpr std::uint32_t kTaRight = 2;
constexpr std::uint32_t kTaCenter = 6;
constexpr std::uint32_t kTaVertical = 24;
constexpr std::uint32_t kTaBottom = 8;
constexpr std::uint32_t kTaBaseline = 24;

constexpr std::uint32_t kSrcAnd = 0x008800C6;
constexpr std::uint32_t kSrcPaint = 0x00EE0086;
constexpr std::uint32_t kSrcInvert = 0x00660046;
constexpr std::uint32_t kNotSrcCopy = 0x00330008;
constexpr std::uint32_t kPatCopy = 0x00F00021;
constexpr std::uint32_t kBlackness = 0x00000042;
constexpr std::uint32_t kWhiteness = 0x00FF0062;

// Raster operations combine the picture with what lies under it. Where nothing is drawn yet,
// that is the white fill the metafile is fingerprinted and shown on, not transparent black.
constexpr Qt::GlobalColor kRasterGround = Qt::white;

double Length(const QTransform& t, double dx, double dy) {
    return QLineF(t.map(QPointF(0, 0)), t.map(QPointF(dx, dy))).length();
}

QFont MakeFont(const FontSpec& wanted, double pixels) {
    QFont font(wanted.face.isEmpty() ? QStringLiteral("Sans Serif") : wanted.face);
    font.setPixelSize(std::clamp(static_cast<int>(std::lround(pixels)), 1, kMaxFontPixels));
    font.setWeight(
        static_cast<QFont::Weight>(std::clamp(wanted.weight == 0 ? 400 : wanted.weight, 1, 1000)));
    font.setItalic(wanted.italic);
    font.setUnderline(wanted.underline);
    font.setStrikeOut(wanted.strikeout);
    return font;
}

QPainter::CompositionMode ModeFor(std::uint32_t rop) {
    switch (rop) {
        case kSrcAnd:
            return QPainter::RasterOp_SourceAndDestination;
        case kSrcPaint:
            return QPainter::RasterOp_SourceOrDestination;
        case kSrcInvert:
            return QPainter::RasterOp_SourceXorDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

// Raster operations ignore alpha: transparent pixels (those a run-length picture skips) take
// the colour that leaves the canvas unchanged, white for AND and black for OR and XOR.
QImage Neutral(const QImage& picture, std::uint32_t rop) {
    QImage neutral(picture.size(), QImage::Format_RGB32);
    neutral.fill(rop == kSrcAnd ? Qt::white : Qt::black);
    QPainter(&neutral).drawImage(0, 0, picture);
    return neutral;
}

}  // namespace

void Canvas::Text(QPointF reference, const QString& text, std::uint32_t options,
                  std::optional<QRectF> rect, const std::vector<double>& advances) {
    const QTransform transform = Transform();
    if (rect && (options & kEtoOpaque)) {
        QPainterPath box;
        box.addRect(rect->normalized());
        const BrushSpec brush = state_.brush;
        state_.brush = BrushSpec{0, state_.backColour, 0, {}};
        Paint(box, true, false);
        state_.brush = brush;
    }
    // Fonts exist only within a GUI application; without one the text is left out.
    if (text.isEmpty() || !QGuiApplication::instance()) return;
    const bool fromCurrent = state_.textAlign & kTaUpdateCp;
    const QPointF origin = transform.map(fromCurrent ? state_.current : reference);
    if (!WithinReach(QRectF(origin, origin))) return;
    const double height = state_.font.height;
    const double pixels = height == 0
                              ? kDefaultFontPixels
                              : Length(transform, 0, std::abs(height)) * (height > 0 ? 0.8 : 1.0);
    if (!std::isfinite(pixels)) return;
    const QFont font = MakeFont(state_.font, pixels);
    const QFontMetricsF metrics(font);
    const double xScale = Length(transform, 1, 0);
    std::vector<double> steps;
    for (std::size_t i = 0; i < advances.size() && i < std::size_t(text.size()); ++i)
        steps.push_back(advances[i] * xScale);
    const bool spaced = steps.size() == std::size_t(text.size());
    const double width =
        spaced ? std::accumulate(steps.begin(), steps.end(), 0.0) : metrics.horizontalAdvance(text);
    if (!std::isfinite(width)) return;
    const std::uint32_t h = state_.textAlign & kTaHorizontal, v = state_.textAlign & kTaVertical;
    const double x0 = h == kTaCenter ? -width / 2 : h == kTaRight ? -width : 0;
    const double y0 = v == kTaBaseline ? 0 : v == kTaBottom ? -metrics.descent() : metrics.ascent();
    painter_.save();
    if (PrepareClip(painter_)) {
        if (rect && (options & kEtoClipped)) {
            QPainterPath box;
            box.addRect(rect->normalized());
            painter_.setClipPath(transform.map(box), Qt::IntersectClip);
        }
        painter_.translate(origin);
        painter_.rotate(-state_.font.escapement / 10);
        if (state_.opaqueBackground && !(options & kEtoOpaque))
            painter_.fillRect(QRectF(x0, y0 - metrics.ascent(), width, metrics.height()),
                              state_.backColour);
        painter_.setFont(font);
        painter_.setPen(state_.textColour);
        if (spaced) {
            double x = x0;
            for (qsizetype i = 0; i < text.size(); ++i) {
                painter_.drawText(QPointF(x, y0), QString(text[i]));
                x += steps[std::size_t(i)];
            }
        } else {
            painter_.drawText(QPointF(x0, y0), text);
        }
    }
    painter_.restore();
    if (fromCurrent && xScale > 0) state_.current.rx() += width / xScale;
}

void Canvas::Blit(const QRectF& dest, const QImage* source, const QRectF& sourceRect,
                  std::uint32_t rop) {
    const QTransform transform = Transform();
    const QRectF mapped = transform.mapRect(dest.normalized());
    if (!WithinReach(mapped)) return;
    painter_.save();
    if (PrepareClip(painter_)) {
        painter_.setTransform(transform);
        if (source) {
            // A negative extent mirrors the picture.
            const QRectF area = sourceRect.intersected(QRectF(source->rect()));
            if (area.isEmpty()) {
                painter_.restore();
                return;
            }
            QImage picture = source->copy(area.toAlignedRect());
            picture = picture.mirrored(dest.width() < 0, dest.height() < 0);
            if (rop == kNotSrcCopy) picture.invertPixels();
            const QPainter::CompositionMode mode = ModeFor(rop);
            if (mode != QPainter::CompositionMode_SourceOver) {
                painter_.setCompositionMode(QPainter::CompositionMode_DestinationOver);
                painter_.fillRect(dest.normalized(), kRasterGround);
                if (picture.hasAlphaChannel()) picture = Neutral(picture, rop);
            }
            painter_.setCompositionMode(mode);
            painter_.drawImage(dest.normalized(), picture);
        } else if (rop == kBlackness || rop == kWhiteness) {
            painter_.fillRect(dest.normalized(), rop == kBlackness ? Qt::black : Qt::white);
        } else if (rop == kPatCopy) {
            painter_.fillRect(dest.normalized(), MakeBrush());
        }
    }
    painter_.restore();
}

}  // namespace morvane::metafile
