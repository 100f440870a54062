#include "ui/picture_display.h"

#include <QFile>
#include <QPainter>

#include "engine/imaging.h"

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
    return surface;
}
}  // namespace

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    SetBackgroundColour(Qt::white);
}

QColor PictureBox::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void PictureBox::SetBackgroundColour(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
}

bool PictureBox::ShowPicture(const QString& path, const QColor& background) {
    const QSize box = contentsRect().size();
    const auto decoded =
        DecodeForDisplay(QFile::encodeName(path).toStdString(), box.width(), box.height());
    if (!decoded) return false;
    picture_ = Compose(*decoded, background);
    update();
    return true;
}

void PictureBox::ClearPictureBox() {
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
