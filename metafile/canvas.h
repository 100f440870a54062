// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing state of a metafile's device context and the drawing operations both metafile
// formats share, in logical coordinates, painted with QPainter onto a QImage.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <vector>

namespace morvane::metafile {

struct PenSpec {
    std::uint32_t style = 0;  // PS_SOLID
    double width = 0;         // logical units; 0 draws one pixel wide
    QColor colour = Qt::black;
};

struct BrushSpec {
    std::uint32_t style = 0;  // BS_SOLID
    QColor colour = Qt::white;
    std::uint32_t hatch = 0;
    QImage pattern;  // BS_DIBPATTERN
};

struct FontSpec {
    double height = 0;  // logical units; < 0 character height, > 0 cell height, 0 default
    int weight = 400;
    bool italic = false, underline = false, strikeout = false;
    double escapement = 0;  // tenths of a degree
    QString face;
};

struct GdiObject {
    enum class Kind { Pen, Brush, Font, Other } kind = Kind::Pen;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
};

enum MapMode : std::uint32_t {
    kMmText = 1,
    kMmLoMetric,
    kMmHiMetric,
    kMmLoEnglish,
    kMmHiEnglish,
    kMmTwips,
    kMmIsotropic,
    kMmAnisotropic
};

struct DcState {
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    std::uint32_t mapMode = kMmText;
    QPointF windowOrg, windowExt{1, 1}, viewportOrg, viewportExt{1, 1};
    QTransform world;
    bool opaqueBackground = true;
    QColor backColour = Qt::white;
    QColor textColour = Qt::black;
    std::uint32_t textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    bool clockwise = false;
    std::optional<QPainterPath> clip;  // canvas coordinates
    QPointF current;
};

// False for canvas areas so far out that only damaged coordinates produce them.
bool WithinReach(const QRectF& canvasArea);

class Canvas {
  public:
    // `deviceToCanvas` maps the metafile's device pixels onto `image`; `pixelsPerMm` serves
    // the fixed map modes.
    Canvas(QImage& image, const QTransform& deviceToCanvas, QPointF pixelsPerMm,
           std::size_t objectSlots);

    DcState& state() { return state_; }
    // When set, the window-to-viewport mapping is fixed by the player (placeable WMF).
    void LockMapping() { mappingLocked_ = true; }
    bool mappingLocked() const { return mappingLocked_; }
    QTransform Transform() const;  // logical -> canvas

    void Save();
    void Restore(std::int32_t which);

    // Object table. Out-of-range or empty slots are ignored, as GDI ignores bad handles.
    void Store(std::size_t slot, GdiObject object);
    std::optional<std::size_t> StoreInFreeSlot(GdiObject object);
    void Select(std::size_t slot);
    void SelectStock(std::uint32_t stock);
    void Delete(std::size_t slot);

    // A closed or open figure: drawn with the brush and pen, or added to the open path.
    void Shape(const QPainterPath& shape, bool fill, bool stroke);
    void MoveTo(QPointF point);
    void LineTo(QPointF point);
    void BezierTo(const std::vector<QPointF>& points);                       // groups of three
    void ArcShape(const QRectF& box, QPointF start, QPointF end, int kind);  // 0 arc 1 chord 2 pie
    void ArcTo(const QRectF& box, QPointF start, QPointF end);

    void BeginPath();
    void EndPath() { recording_ = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath(bool fill, bool stroke);
    void SelectClipPath();

    void IntersectClip(const QRectF& logical);
    void ExcludeClip(const QRectF& logical);
    void SetDeviceClip(const std::optional<QPainterPath>& device);

    void Text(QPointF reference, const QString& text, std::uint32_t options,
              std::optional<QRectF> rect, const std::vector<double>& advances);
    void Blit(const QRectF& dest, const QImage* source, const QRectF& sourceRect,
              std::uint32_t rop);

  private:
    void Paint(const QPainterPath& shape, bool fill, bool stroke);
    QPen MakePen(const QTransform& transform) const;
    QBrush MakeBrush() const;
    bool PrepareClip(QPainter& painter) const;
    struct ArcSweep {
        QRectF box;
        double start = 0, sweep = 0;  // degrees, as QPainterPath::arcTo takes them
    };
    std::optional<ArcSweep> Sweep(const QRectF& box, QPointF start, QPointF end) const;
    // The path a line or curve from the current position goes into: the open path while one
    // is recorded, else `line`. Advance then moves the current position (and draws `line`).
    QPainterPath& Continue(QPainterPath& line);
    void Advance(const QPainterPath& target);

    QImage& image_;
    QPainter painter_;
    QTransform deviceToCanvas_;
    QPointF pixelsPerMm_;
    DcState state_;
    std::vector<DcState> saved_;
    std::vector<std::optional<GdiObject>> objects_;
    bool mappingLocked_ = false;
    bool recording_ = false;
    QPainterPath path_;
};

}  // namespace morvane::metafile
