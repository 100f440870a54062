// SPDX-License-Identifier: GPL-3.0-or-later
// The handlers of the main window's controls.
#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "compare/threshold.h"
#include "files/paths.h"
#include "run/program_folder.h"
#include "ui/about/about_window.h"
#include "ui/pic_view.h"
#include "ui/pickers.h"
#include "ui/reference_folders.h"
#include "ui/run_controller.h"

namespace morvane {

void PicView::ConnectHandlers() {
    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
    for (int i = 0; i < static_cast<int>(command3_.size()); ++i)
        connect(command3_[i], &QPushButton::clicked, this, [this, i] { Command3_Click(i); });
    for (int i = 0; i < static_cast<int>(command4_.size()); ++i)
        connect(command4_[i], &QPushButton::clicked, this, [this, i] { Command4_Click(i); });
    for (QCheckBox* box : check1_) box->installEventFilter(this);
    // Dragging the thumb changes the value as it moves, so one handler serves both events.
    connect(vscroll1_, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
    connect(check2_, &QCheckBox::clicked, this, [this] { Check2_Click(); });
    label3_->installEventFilter(this);
}

bool PicView::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < static_cast<int>(check1_.size()); ++i) {
        if (watched != check1_[i]) continue;
        // Only the key that toggles a box applies the rule: Tab moving the focus through the
        // boxes must not untick the chosen way.
        if (event->type() == QEvent::KeyRelease &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space)
            Check1_KeyUp(i);
        if (event->type() == QEvent::MouseButtonRelease &&
            check1_[i]->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            Check1_KeyUp(i);  // the mouse hands over to the key rule
    }
    if (watched == label3_ && event->type() == QEvent::MouseButtonRelease &&
        label3_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Label3_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PicView::Command1_Click() {
    if (run_->Running()) {
        run_->Stop();
        return;
    }
    SearchSettings settings;
    settings.SearchFolder = text1_[0]->text().toStdString();
    settings.ReferenceFolders = references_->Folders();
    settings.ListPath = text1_[1]->text().toStdString();
    settings.MaskText = text1_[2]->text().toStdString();
    settings.MoveFolder = text1_[3]->text().toStdString();
    settings.LogPath = AddTrailingBackslash(ProgramFolder()) + kLogFileName;
    const ThresholdSetting threshold = ParseThreshold(text2_->text().toStdString());
    settings.Threshold = threshold.threshold;
    settings.Mode = check2_->isChecked() ? ComparisonMode::Similar : ComparisonMode::Exact;
    settings.UseCache = useCache_->isChecked();
    if (threshold.correctedText) text2_->setText(QString::fromStdString(*threshold.correctedText));
    run_->Start(std::move(settings));
}

// Exit: the run stops, its files are closed and the program ends without asking.
void PicView::Command2_Click() {
    run_->Stop();
    EndProgram(0);
}

void PicView::Command3_Click(int index) {
    if (index == 0 || index == 3) {
        QLineEdit* field = text1_[index];
        const QString chosen =
            pickers_->PickFolder(this, FolderPickerTitle(), FolderPickerStart(field->text()));
        if (!chosen.isEmpty())
            field->setText(QString::fromStdString(AddTrailingBackslash(chosen.toStdString())));
    } else if (index == 1) {
        const QString chosen = pickers_->PickSaveFile(this, kListFilterIndex, "", kProposedListName,
                                                      ListPickerStart(text1_[1]->text()));
        if (!chosen.isEmpty()) text1_[1]->setText(chosen);
    }
}

void PicView::Command4_Click(int index) {
    if (!IsAwaitingDecision()) return;
    run_->Decide(static_cast<ReviewDecision>(index));
}

// The disposal-mode rule: the other boxes are unticked, and the move folder is usable only
// when "В папку" was the box touched last. The touched box keeps its own toggle.
void PicView::Check1_KeyUp(int index) {
    for (int i = 0; i < static_cast<int>(check1_.size()); ++i)
        if (i != index && check1_[i]->checkState() != Qt::Unchecked)
            check1_[i]->setCheckState(Qt::Unchecked);
    text1_[3]->setEnabled(index == 0);
    command3_[3]->setEnabled(index == 0);
}

DisposalWay PicView::ChosenDisposalWay() const {
    if (check1_[0]->checkState() == Qt::Checked) return DisposalWay::MoveToFolder;
    if (check1_[1]->checkState() == Qt::Checked) return DisposalWay::Trash;
    if (check1_[2]->checkState() == Qt::Checked) return DisposalWay::Wipe;
    return DisposalWay::None;
}

// The spinner shows 101 - its value: the top (1) is 100 per cent, the bottom (100) is 1.
void PicView::VScroll1_Change() {
    text2_->setText(QString::number(101 - vscroll1_->value()));
    text2_->setFocus();
}

// A threshold left at one mode's default follows the mode; a typed one stays.
void PicView::Check2_Click() {
    const bool similar = check2_->isChecked();
    const int from = DefaultThreshold(similar ? ComparisonMode::Exact : ComparisonMode::Similar);
    const int to = DefaultThreshold(similar ? ComparisonMode::Similar : ComparisonMode::Exact);
    if (text2_->text() != QString::number(from)) return;
    text2_->setText(QString::number(to));
    const QSignalBlocker quiet(vscroll1_);  // the spinner follows without rewriting the text
    vscroll1_->setValue(101 - to);
}

void PicView::Label3_Click() {
    fAbout::ShowModal(this);
}

}  // namespace morvane
