// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture box of the main window: shows one picture file at its own size when it fits the
// inner area, otherwise shrunk to fit with its aspect kept, centred over the box's background,
// until the box is cleared.
#include <QColor>
#include <QFrame>
#include <QImage>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <cstdint>
#include <optional>
#include <string>

namespace morvane {

// Shrunk pictures with a side below this many pixels are not shown.
inline constexpr int kMinDrawnSide = 4;

// The size a picture of pictureW x pictureH pixels is drawn at in an inner area of boxW x boxH:
// its own size when neither side exceeds the box (however small), else shrunk to fit with the
// aspect kept and the computed side rounded half to even. Empty when a shrunk side would come
// out below kMinDrawnSide, or when a size is not positive.
std::optional<QSize> DisplaySize(int pictureW, int pictureH, int boxW, int boxH);

class PictureBox : public QFrame {
    Q_OBJECT
  public:
    // A white box with a sunken two-pixel border, like the picture boxes of the main window.
    explicit PictureBox(QWidget* parent = nullptr);
    // Waits for a decode still under way, which refers to the box.
    ~PictureBox() override;

    // The box's own background colour, shown wherever no picture is.
    QColor BackgroundColour() const;
    void SetBackgroundColour(const QColor& colour);

    // Decodes the file named by the bytes of `path` (any name, UTF-8 or not) off the window
    // thread and shows it centred in the inner area, over `background` where the picture is
    // transparent; PictureSettled tells when it is done.
    // The previous picture stays until the new one is complete, so the box is never seen half
    // drawn; the file is closed again once decoded. A picture that does not decode or would be
    // shrunk below kMinDrawnSide is not shown: the box keeps what it showed (the caller clears
    // it first). A later call or a clear makes the box ignore a decode still under way.
    void ShowPicture(const std::string& path, const QColor& background);
    // True from ShowPicture until its picture is shown or has failed.
    bool Pending() const { return pending_; }

    // Drops the picture: the box shows only its background colour.
    void ClearPictureBox();

    // The picture as shown (null when the box is clear) and where it sits in the widget.
    const QImage& Picture() const { return picture_; }
    QPoint PicturePosition() const;

  Q_SIGNALS:
    // The picture asked for last is shown (true) or could not be (false).
    void PictureSettled(bool shown);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Settle(std::uint64_t request, const std::optional<QImage>& picture);

    QImage picture_;
    // Counts the requests; a decode that finishes for an older one is dropped.
    std::uint64_t request_ = 0;
    bool pending_ = false;
    QThreadPool decoder_;
};

}  // namespace morvane
