// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about/about_window.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <utility>

#include "ui/program_icon.h"
#include "ui/twips.h"

namespace morvane {

namespace {
constexpr int kMargin = 90;        // twips around the block of lines
constexpr int kShadowOffset = 15;  // twips: one pixel at 96 DPI
const QColor kBackground(0x40, 0x00, 0x00);
const QColor kFront(0xFF, 0xFF, 0xFF);
const QColor kLit(0x00, 0xFF, 0x00);
const QColor kShadow(0x40, 0x40, 0x40);

bool IsLine(int index) {
    return index >= 0 && index < kAboutLineCount;
}

QLabel* MakeLine(QWidget* parent, const QString& name, const QColor& colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::NoFrame);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(18);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}
}  // namespace

void OpenWithDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

QRect AboutLineRect(int index, int clientWidth, int clientHeight) {
    const int rowHeight = (clientHeight - 2 * kMargin) / kAboutLineCount;
    return QRect(kMargin, kMargin + index * rowHeight, clientWidth - 2 * kMargin, rowHeight);
}

fAbout::fAbout(QWidget* parent, LinkOpener opener) : QDialog(parent), opener_(std::move(opener)) {
    const QIcon ownerIcon = parent ? parent->window()->windowIcon() : QIcon();
    setWindowIcon(ownerIcon.isNull() ? ProgramIcon() : ownerIcon);
    setWindowTitle(tr("О программе %1").arg(ProgramTag()));
    setFixedSize(TwipsToPixels(kAboutClientWidth), TwipsToPixels(kAboutClientHeight));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setMouseTracking(true);
    BuildLines();
}

void fAbout::ShowModal(QWidget* owner) {
    auto* about = new fAbout(owner);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->exec();
}

void fAbout::BuildLines() {
    const int twipsPerPixel = TwipsPerPixel();
    const int clientWidth = width() * twipsPerPixel;
    const int clientHeight = height() * twipsPerPixel;
    const auto texts = AboutLineTexts(QDate::currentDate(), DocumentationFolder());
    for (int i = 0; i < kAboutLineCount; ++i) {
        const QRect front = AboutLineRect(i, clientWidth, clientHeight);
        const QRect shadow = front.translated(-kShadowOffset, -kShadowOffset);
        l2_[i] = MakeLine(this, QStringLiteral("L2_%1").arg(i), kShadow);
        l2_[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        l2_[i]->setGeometry(
            TwipsRect(shadow.x(), shadow.y(), shadow.width(), shadow.height(), twipsPerPixel));
        l1_[i] = MakeLine(this, QStringLiteral("L1_%1").arg(i), kFront);
        l1_[i]->setMouseTracking(true);
        l1_[i]->installEventFilter(this);
        l1_[i]->setGeometry(
            TwipsRect(front.x(), front.y(), front.width(), front.height(), twipsPerPixel));
        l1_[i]->raise();
        l1_[i]->setText(texts[i]);
        l2_[i]->setText(texts[i]);
    }
}

void fAbout::SetLit(int index, bool lit) {
    QPalette palette = l1_[index]->palette();
    palette.setColor(QPalette::WindowText, lit ? kLit : kFront);
    l1_[index]->setPalette(palette);
    for (QLabel* label : {l1_[index], l2_[index]}) {
        QFont font = label->font();
        font.setUnderline(lit);
        label->setFont(font);
    }
}

void fAbout::HighlightLine(int index, bool reset) {
    if (reset) {
        if (IsLine(highlighted_)) SetLit(highlighted_, false);
        highlighted_ = -1;
        return;
    }
    if (index == highlighted_ || !IsLine(index)) return;
    SetLit(index, true);
    if (IsLine(highlighted_)) SetLit(highlighted_, false);
    highlighted_ = index;
}

void fAbout::L1_Click(int index) {
    // Closed first: the opened program comes up over the main window, not over this one.
    // Only what still exists is opened: the files may have gone since the window was built.
    const QString target = QDir::fromNativeSeparators(l1_[index]->text());
    close();
    if ((index == 2 || index == 3) && QFileInfo::exists(target))
        opener_(QUrl::fromLocalFile(target));
}

int fAbout::LineOf(const QObject* watched) const {
    for (int i = 0; i < kAboutLineCount; ++i)
        if (l1_[i] == watched) return i;
    return -1;
}

bool fAbout::eventFilter(QObject* watched, QEvent* event) {
    const int line = LineOf(watched);
    if (line < 0) return QDialog::eventFilter(watched, event);
    // Handled here, not passed on: the window behind would take a move over a line for a move
    // over the background.
    if (event->type() == QEvent::MouseMove) {
        HighlightLine(line, false);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // A click: the left button released over the line it was pressed on.
        if (mouse->button() == Qt::LeftButton &&
            l1_[line]->rect().contains(mouse->position().toPoint())) {
            L1_Click(line);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void fAbout::mouseMoveEvent(QMouseEvent* event) {
    HighlightLine(-1, true);
    QDialog::mouseMoveEvent(event);
}

namespace {
bool PlainEscape(const QKeyEvent* event) {
    const auto blocking = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    return event->key() == Qt::Key_Escape && !(event->modifiers() & blocking);
}
}  // namespace

void fAbout::keyPressEvent(QKeyEvent* event) {
    // The window closes when Escape is released, and only without modifiers; the dialog's own
    // close-on-press would also close it for Shift+Escape.
    if (event->key() == Qt::Key_Escape) {
        if (!event->isAutoRepeat()) escapePressedPlain_ = PlainEscape(event);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void fAbout::keyReleaseEvent(QKeyEvent* event) {
    // Both ends plain: Shift+Escape with Shift let go first is released without modifiers.
    if (PlainEscape(event) && !event->isAutoRepeat() && std::exchange(escapePressedPlain_, false)) {
        close();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

}  // namespace morvane
