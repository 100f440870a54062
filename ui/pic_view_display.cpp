// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pic_view_display.h"

#include <QLabel>
#include <algorithm>

#include "run/messages.h"
#include "ui/pic_view.h"
#include "ui/picture_display.h"

namespace morvane {
namespace {

// The side a cell cuts its text on: the one away from its alignment, so a right-aligned
// path keeps its file name.
Qt::TextElideMode ElideSide(const QLabel* cell) {
    return cell->alignment() & Qt::AlignRight ? Qt::ElideLeft : Qt::ElideRight;
}

// The width a label gives its text: without the indent it keeps beside its frame.
int TextWidth(const QLabel* cell) {
    int indent = cell->indent();
    if (indent < 0 && cell->frameWidth() > 0)
        indent = cell->fontMetrics().horizontalAdvance(u'x') / 2 - cell->margin();
    return cell->contentsRect().width() - 2 * cell->margin() - std::max(indent, 0);
}

// A value cell holds one line: a line break in a name shows as "↵" and other control
// characters as U+FFFD, and a text too long for the cell is cut with "…". Whenever the cell
// shows less than the text, its tool tip holds the whole path.
void ShowPathCell(QLabel* cell, const QString& text, const QString& wholePath) {
    QString line = text;
    for (QChar& c : line)
        if (c.category() == QChar::Other_Control)
            c = c == u'\n' || c == u'\r' ? QChar(0x21B5) : QChar(QChar::ReplacementCharacter);
    const QString shown = cell->fontMetrics().elidedText(line, ElideSide(cell), TextWidth(cell));
    cell->setText(shown);
    cell->setToolTip(shown == text ? QString() : wholePath);
}

}  // namespace

void PicViewDisplay::ClearCounters() {
    ShowPathCell(view_.label2_[0], "", "");
    for (int i = 1; i <= 2; ++i) view_.label2_[i]->setText("");
}

void PicViewDisplay::ShowFileCell(const QString& text) {
    ShowPathCell(view_.label2_[0], text, text);
}

void PicViewDisplay::ShowProcessed(int processed) {
    view_.label2_[1]->setText(QString::number(processed));
}

void PicViewDisplay::ShowDuplicateCount(int count) {
    view_.label2_[2]->setText(QString::number(count));
}

// Slot 0 is described by Label2(3..5) and drawn in Pic2(0); slot 1 by Label2(6..8), Pic2(1).
void PicViewDisplay::ShowSlot(int slot, const SlotPicture& picture) {
    const int first = slot == 0 ? 3 : 6;
    ShowPathCell(view_.label2_[first], QString::fromStdString(picture.RelativePath),
                 QString::fromStdString(picture.FullPath));
    view_.label2_[first + 1]->setText(QString::fromStdString(picture.SizeText));
    view_.label2_[first + 2]->setText(
        QString::fromStdString(picture.Reference ? picture.DimensionsText + " " + ReferenceMark()
                                                 : picture.DimensionsText));
    view_.refilled_.start();
    PictureBox* box = view_.pic2_[slot];
    box->ClearPictureBox();
    box->ShowPicture(picture.FullPath, box->BackgroundColour());
}

void PicViewDisplay::ClearSlots() {
    for (PictureBox* box : view_.pic2_) box->ClearPictureBox();
    for (int i = 3; i <= 8; ++i) ShowPathCell(view_.label2_[i], "", "");
}

DisposalWay PicViewDisplay::ChosenDisposalWay() const {
    return view_.ChosenDisposalWay();
}

void PicViewDisplay::ShowCritical(const QString& text) {
    view_.ShowCritical(text);
}

void PicViewDisplay::EndProgram(int status) {
    view_.EndProgram(status);
}

}  // namespace morvane
