// SPDX-License-Identifier: GPL-3.0-or-later
#include "metafile/render.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <utility>
#include <vector>

#include "metafile/player.h"
#include "metafile/wmf_records.h"

namespace morvane {
namespace {

using namespace metafile;

constexpr double kScreenDpi = 96;
constexpr double kMmPerInch = 25.4;
// GDI object tables are at most this large; more is damage.
constexpr std::size_t kMaxObjectSlots = 65536;

struct Frame {
    QRectF device;  // the picture's area in device pixels
    int width = 0, height = 0;
};

std::optional<Frame> MakeFrame(const QRectF& device) {
    const double w = std::round(device.width()), h = std::round(device.height());
    if (!(w >= 1 && h >= 1 && w <= std::numeric_limits<std::int32_t>::max() &&
          h <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return Frame{device, static_cast<int>(w), static_cast<int>(h)};
}

// The frame (0.01 mm) in the reference device's pixels; the bounds when the frame is unusable.
std::optional<Frame> EmfFrame(const EmfHeader& h) {
    const IntRect& f = h.frame;
    if (h.deviceWidthMm > 0 && h.deviceHeightMm > 0 && h.deviceWidth > 0 && h.deviceHeight > 0 &&
        f.right > f.left && f.bottom > f.top) {
        const double sx = double(h.deviceWidth) / (h.deviceWidthMm * 100.0);
        const double sy = double(h.deviceHeight) / (h.deviceHeightMm * 100.0);
        if (auto frame = MakeFrame(QRectF(QPointF(f.left * sx, f.top * sy),
                                          QPointF(double(f.right) * sx, double(f.bottom) * sy))))
            return frame;
    }
    const IntRect& b = h.bounds;
    return MakeFrame(
        QRectF(QPointF(b.left, b.top), QPointF(double(b.right) + 1, double(b.bottom) + 1)));
}

// A non-placeable WMF says its extent only through its window records.
std::optional<QRectF> WmfWindow(const WmfFile& file) {
    std::optional<QPointF> origin, extent;
    for (const Record& r : file.records) {
        const auto y = r.params.I16(0), x = r.params.I16(2);
        if (!x || !y) continue;
        if (r.type == meta::SetWindowOrg && !origin) origin = QPointF(*x, *y);
        if (r.type == meta::SetWindowExt && !extent) extent = QPointF(*x, *y);
    }
    if (!extent) return std::nullopt;
    return QRectF(origin.value_or(QPointF()), QSizeF(extent->x(), extent->y()));
}

QSize CanvasSize(int width, int height) {
    const double scale =
        std::min({1.0, double(kMaxMetafileSide) / width, double(kMaxMetafileSide) / height});
    const auto side = [&](int length) {
        return std::clamp(static_cast<int>(std::lround(length * scale)), 1, kMaxMetafileSide);
    };
    return QSize(side(width), side(height));
}

QImage BlankCanvas(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull()) image.fill(Qt::transparent);
    return image;
}

std::optional<RenderedPicture> RenderEmf(std::span<const std::uint8_t> bytes) {
    const auto file = ReadEmf(bytes);
    if (!file) return std::nullopt;
    const auto frame = EmfFrame(file->header);
    if (!frame) return std::nullopt;
    QImage image = BlankCanvas(CanvasSize(frame->width, frame->height));
    if (image.isNull()) return std::nullopt;
    const QTransform toCanvas =
        QTransform::fromTranslate(-frame->device.left(), -frame->device.top()) *
        QTransform::fromScale(image.width() / frame->device.width(),
                              image.height() / frame->device.height());
    const EmfHeader& h = file->header;
    const QPointF perMm = h.deviceWidthMm > 0 && h.deviceHeightMm > 0
                              ? QPointF(double(h.deviceWidth) / h.deviceWidthMm,
                                        double(h.deviceHeight) / h.deviceHeightMm)
                              : QPointF(kScreenDpi / kMmPerInch, kScreenDpi / kMmPerInch);
    {
        Canvas canvas(image, toCanvas, perMm, std::min<std::size_t>(h.handles, kMaxObjectSlots));
        PlayEmf(*file, canvas);
    }
    image.convertTo(QImage::Format_RGBA8888);  // in place: no second canvas
    return RenderedPicture{frame->width, frame->height, std::move(image)};
}

std::optional<RenderedPicture> RenderWmf(std::span<const std::uint8_t> bytes) {
    const auto file = ReadWmf(bytes);
    if (!file) return std::nullopt;
    const WmfHeader& h = file->header;
    std::optional<QRectF> window;
    double pixelsPerUnit = 1;
    if (h.placeable) {
        if (h.unitsPerInch == 0) return std::nullopt;
        window = QRectF(QPointF(h.box.left, h.box.top), QPointF(h.box.right, h.box.bottom));
        pixelsPerUnit = kScreenDpi / h.unitsPerInch;
    } else {
        window = WmfWindow(*file);
    }
    if (!window) return std::nullopt;
    const auto frame = MakeFrame(QRectF(0, 0, std::abs(window->width()) * pixelsPerUnit,
                                        std::abs(window->height()) * pixelsPerUnit));
    if (!frame) return std::nullopt;
    QImage image = BlankCanvas(CanvasSize(frame->width, frame->height));
    if (image.isNull()) return std::nullopt;
    {
        // The player maps the metafile's window onto the whole canvas, as a picture is drawn
        // into a destination rectangle.
        Canvas canvas(image, QTransform(),
                      QPointF(kScreenDpi / kMmPerInch, kScreenDpi / kMmPerInch), h.objects);
        DcState& s = canvas.state();
        s.mapMode = kMmAnisotropic;
        s.windowOrg = window->topLeft();
        s.windowExt = QPointF(window->width(), window->height());
        s.viewportExt = QPointF(image.width(), image.height());
        canvas.LockMapping();
        PlayWmf(*file, canvas);
    }
    image.convertTo(QImage::Format_RGBA8888);  // in place: no second canvas
    return RenderedPicture{frame->width, frame->height, std::move(image)};
}

}  // namespace

std::optional<RenderedPicture> RenderMetafile(std::span<const std::uint8_t> bytes) {
    if (LooksLikeEmf(bytes)) return RenderEmf(bytes);
    if (LooksLikeWmf(bytes)) return RenderWmf(bytes);
    return std::nullopt;
}

std::optional<RenderedPicture> RenderMetafile(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxMetafileBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(size);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) return std::nullopt;
    return RenderMetafile(std::span<const std::uint8_t>(bytes));
}

}  // namespace morvane
