// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About window: five lines about the program (see about_text.h), each drawn twice for a
// raised look, its dark copy one pixel up and to the left behind it. A line lights up green and
// underlined under the mouse; a click on any line closes the window, and lines 2 and 3 then
// open what they name. Escape pressed and released without Shift, Ctrl or Alt closes it too.
//
// Object names follow the scheme `Name_Index`: the front lines are "L1_0" to "L1_4", their
// shadow copies "L2_0" to "L2_4". Only the front lines take the mouse.
#include <QDialog>
#include <QRect>
#include <QUrl>

#include <array>
#include <functional>

#include "ui/about/about_text.h"

class QLabel;

namespace morvane {

// Opens a link (a local file or folder) in the desktop's own program.
using LinkOpener = std::function<void(const QUrl&)>;
void OpenWithDesktop(const QUrl& url);

// Design client area of the window, in twips.
inline constexpr int kAboutClientWidth = 7410;
inline constexpr int kAboutClientHeight = 5550;

// Where line `index` lies, in twips, for a client area of the given size in twips: the rows
// share the height less a 90-twip margin above and below, equally.
QRect AboutLineRect(int index, int clientWidth, int clientHeight);

class fAbout : public QDialog {
    Q_OBJECT
  public:
    explicit fAbout(QWidget* parent = nullptr, LinkOpener opener = OpenWithDesktop);

    // Opens a fresh window modal over `owner` and discards it when it closes, so every opening
    // reads the date and the version anew.
    static void ShowModal(QWidget* owner);

    // The highlighted line, or -1 for none.

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildLines();
    void HighlightLine(int index, bool reset);
    void SetLit(int index, bool lit);
    void L1_Click(int index);
    int LineOf(const QObject* watched) const;

    LinkOpener opener_;
    std::array<QLabel*, kAboutLineCount> l1_{};
    std::array<QLabel*, kAboutLineCount> l2_{};
    int highlighted_ = -1;
    // The last Escape was pressed without Shift, Ctrl or Alt.
    bool escapePressedPlain_ = false;
};

}  // namespace morvane
