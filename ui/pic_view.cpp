// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pic_view.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QStyleHints>

#include "files/paths.h"
#include "run/program_folder.h"
#include "ui/pic_view_display.h"
#include "ui/pickers.h"
#include "ui/picture_display.h"
#include "ui/program_icon.h"
#include "ui/run_controller.h"
#include "ui/twips.h"
#include "ui/window_colours.h"

namespace morvane {
namespace {

// The move folder's default: a persistent folder of the user's (/tmp is emptied at boot).
QString DefaultMoveFolder() {
    return QString::fromStdString(AddTrailingBackslash(QDir::homePath().toStdString() + "/tmp"));
}

// Tahoma where it is installed; else a face of about its width, so the captions fit their
// design widths.
QFont WindowFont() {
    QFont::insertSubstitutions("Tahoma", {"Liberation Sans", "Arimo", "DejaVu Sans Condensed"});
    QFont font("Tahoma");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    return font;
}

}  // namespace

PicView::PicView(QWidget* parent)
    : QWidget(parent),
      pickers_(std::make_unique<FileDialogPickers>()),
      exitHandler_([](int status) { QCoreApplication::exit(status); }),
      display_(std::make_unique<PicViewDisplay>(*this)),
      run_(std::make_unique<RunController>(*display_)) {
    setWindowTitle("Morvane");
    setWindowIcon(ProgramIcon());
    setFont(WindowFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kFormBlue);
    setPalette(palette);
    setAutoFillBackground(true);

    BuildControls();
    SetTabOrder();
    ConnectHandlers();
    Form_Load();
    resize(TwipsToPixels(8475), TwipsToPixels(6855));
}

PicView::~PicView() = default;

void PicView::Form_Load() {
    text1_[0]->setText("");
    text1_[1]->setText(
        QString::fromStdString(AddTrailingBackslash(ProgramFolder()) + kListFileName));
    text1_[2]->setText(kDefaultMasks);
    text1_[3]->setText(DefaultMoveFolder());
    text1_[0]->setFocus();
}

void PicView::SetExitHandler(std::function<void(int)> handler) {
    exitHandler_ = std::move(handler);
}

void PicView::SetFileHook(std::function<void(int)> hook) {
    run_->SetFileHook(std::move(hook));
}

void PicView::SetScanHook(std::function<void()> hook) {
    run_->SetScanHook(std::move(hook));
}

bool PicView::IsRunning() const {
    return run_->Running();
}

bool PicView::IsAwaitingDecision() const {
    if (!run_->AwaitingDecision() || pic2_[0]->Pending() || pic2_[1]->Pending()) return false;
    // The second press of a double-click would otherwise act on the picture that the first
    // one brought in.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    return !refilled_.isValid() || refilled_.elapsed() >= interval;
}

void PicView::ShowCritical(const QString& text) {
    QMessageBox::critical(this, "Morvane", text);
}

void PicView::EndProgram(int status) {
    exitHandler_(status);
}

// Form_QueryUnload: a run in progress stops and its files are closed; the window always
// closes.
void PicView::closeEvent(QCloseEvent* event) {
    run_->Stop();
    event->accept();
}

void PicView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_ || !screen()) return;
    centred_ = true;
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->availableGeometry().center());
    move(frame.topLeft());
}

}  // namespace morvane
