// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/picture_display.h"

#include <QPainter>

#include "imaging/decode.h"

namespace morvane {

std::optional<QSize> DisplaySize(int pictureW, int pictureH, int boxW, int boxH) {
    if (pictureW <= 0 || pictureH <= 0 || boxW <= 0 || boxH <= 0) return std::nullopt;
    const DrawSize draw = FitInBox(pictureW, pictureH, boxW, boxH);
    const bool shrunk = draw.width != pictureW || draw.height != pictureH;
    if (shrunk && (draw.width < kMinDrawnSide || draw.height < kMinDrawnSide)) return std::nullopt;
    return QSize(draw.width, draw.height);
}

namespace {
// The decoded pixels laid over a surface of the background colour, as one finished image.
QImage Compose(const DisplayPicture& decoded, const QColor& background) {
    const QImage pixels(decoded.pixels.data(), decoded.drawWidth, decoded.drawHeight,
                        static_cast<qsizetype>(decoded.drawWidth) * decoded.bands,
                        decoded.bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    QImage surface(decoded.drawWidth, decoded.drawHeight, QImage::Format_RGB32);
    surface.fill(background);
    QPainter painter(&surface);
    painter.drawImage(0, 0, pixels);
    painter.end();
    return surface;
}

// Runs on a pool thread: libvips and painting on a QImage need no window thread.
std::optional<QImage> DecodeComposed(const std::string& path, QSize box, QColor background) {
    const auto decoded = DecodeForDisplay(path, box.width(), box.height());
    if (!decoded) return std::nullopt;
    return Compose(*decoded, background);
}
}  // namespace

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    SetBackgroundColour(Qt::white);
    decoder_.setMaxThreadCount(1);
}

PictureBox::~PictureBox() {
    decoder_.clear();
    decoder_.waitForDone();
}

QColor PictureBox::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void PictureBox::SetBackgroundColour(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
}

void PictureBox::ShowPicture(const std::string& path, const QColor& background) {
    const std::uint64_t request = ++request_;
    pending_ = true;
    decoder_.clear();  // a decode not yet begun is not wanted any more
    decoder_.start([this, request, file = path, box = contentsRect().size(), background] {
        auto picture = DecodeComposed(file, box, background);
        QMetaObject::invokeMethod(
            this, [this, request, picture = std::move(picture)] { Settle(request, picture); },
            Qt::QueuedConnection);
    });
}

void PictureBox::Settle(std::uint64_t request, const std::optional<QImage>& picture) {
    if (request != request_) return;
    pending_ = false;
    if (picture) {
        picture_ = *picture;
        update();
    }
    Q_EMIT PictureSettled(picture.has_value());
}

void PictureBox::ClearPictureBox() {
    ++request_;
    pending_ = false;
    picture_ = QImage();
    update();
}

QPoint PictureBox::PicturePosition() const {
    // Centred; when the free space is odd, its extra pixel lies right of and below the picture.
    const QRect inner = contentsRect();
    return inner.topLeft() +
           QPoint((inner.width() - picture_.width()) / 2, (inner.height() - picture_.height()) / 2);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.drawImage(PicturePosition(), picture_);
}

}  // namespace morvane
