// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the main window at their design places. Geometry is given in twips and
// turned into pixels once, when the window is built; nothing moves when the window is resized.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "ui/cache_actions.h"
#include "ui/masks_menu.h"
#include "ui/pic_view.h"
#include "ui/pickers.h"
#include "ui/picture_display.h"
#include "ui/reference_folders.h"
#include "ui/twips.h"
#include "ui/undo_action.h"
#include "ui/window_colours.h"
#include "ui/wrapping_button.h"

namespace morvane {
namespace {

QString IndexedName(const char* name, int index) {
    return QString("%1_%2").arg(name).arg(index);
}

template <typename W>
W* Place(W* widget, const QString& name, QRect geometry) {
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

// A white caption on the form blue.
QLabel* CaptionLabel(QWidget* parent, int index, const QString& text, QRect geometry) {
    auto* label = Place(new QLabel(text, parent), IndexedName("Label1", index), geometry);
    label->setAlignment((index == 6 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    PaintOnFormBlue(label);
    return label;
}

// A value cell with a single-line border; "#" until a run writes it.
QLabel* ValueCell(QWidget* parent, int index, QColor background, QRect geometry) {
    auto* cell = Place(new QLabel("#", parent), IndexedName("Label2", index), geometry);
    cell->setTextFormat(Qt::PlainText);  // a file name is never markup
    cell->setFrameShape(QFrame::Box);
    cell->setLineWidth(1);
    cell->setAlignment((index <= 2 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    PaintCell(cell, background);
    return cell;
}

QLineEdit* TextBox(QWidget* parent, const QString& name, int maxLength, QRect geometry) {
    auto* box = Place(new QLineEdit(parent), name, geometry);
    box->setMaxLength(maxLength);
    return box;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption,
                    const QString& toolTip, QRect geometry) {
    auto* button = Place(new QPushButton(caption, parent), name, geometry);
    if (!toolTip.isEmpty()) button->setToolTip(toolTip);
    return button;
}

}  // namespace

void PicView::BuildControls() {
    BuildSettingsRows();
    BuildFrame();
    BuildCounterRows();
    BuildPairArea();
}

void PicView::BuildSettingsRows() {
    label1_[0] = CaptionLabel(this, 0, tr("Папка для поиска"), TwipsRect(120, 120, 1815, 255));
    text1_[0] = TextBox(this, "Text1_0", 1024, TwipsRect(2040, 120, 5415, 375));
    AddUndoAction(*text1_[0]);
    command3_[0] = Button(this, "Command3_0", "<<", "", TwipsRect(7560, 120, 735, 375));
    label1_[2] = CaptionLabel(this, 2, tr("Маски для поиска"), TwipsRect(120, 600, 1815, 255));
    text1_[2] = TextBox(this, "Text1_2", 1024, TwipsRect(2040, 600, 5415, 375));
    AddMasksMenu(*text1_[2]);
    command3_[2] = Button(this, "Command3_2", "<<", "", TwipsRect(7560, 600, 735, 375));
    command3_[2]->setEnabled(false);
    label1_[1] = CaptionLabel(this, 1, tr("Список дубликатов"), TwipsRect(120, 1080, 1815, 255));
    text1_[1] = TextBox(this, "Text1_1", 1024, TwipsRect(2040, 1080, 5415, 375));
    command3_[1] = Button(this, "Command3_1", "<<", "", TwipsRect(7560, 1080, 735, 375));

    // The fingerprint's work box: never shown, only its white background is used.
    pic1_ = Place(new QLabel(this), "Pic1", TwipsRect(7200, 1560, 1335, 1095));
    PaintCell(pic1_, kWhite);
    pic1_->hide();
}

void PicView::BuildFrame() {
    frame1_ = Place(new QGroupBox(tr("Преремещать дубликаты"), this), "Frame1",
                    TwipsRect(120, 1440, 8295, 1215));
    PaintOnFormBlue(frame1_);
    const auto checkBox = [this](int index, const QString& caption, QRect geometry) {
        auto* box = Place(new QCheckBox(caption, frame1_), IndexedName("Check1", index), geometry);
        PaintOnFormBlue(box);
        return box;
    };
    check1_[0] = checkBox(0, tr("В папку"), TwipsRect(240, 360, 1575, 255));
    check1_[0]->setChecked(true);
    text1_[3] = TextBox(frame1_, "Text1_3", 1024, TwipsRect(1920, 360, 5415, 375));
    command3_[3] = Button(frame1_, "Command3_3", "<<", "", TwipsRect(7440, 360, 735, 375));
    check1_[1] = checkBox(1, tr("В корзину"), TwipsRect(240, 840, 1575, 255));
    check1_[2] =
        checkBox(2, tr("Затереть (Перезаписать и удалить)"), TwipsRect(2040, 840, 5295, 255));
}

void PicView::BuildCounterRows() {
    const QColor window = InputFieldColour();
    label1_[3] = CaptionLabel(this, 3, tr("Кол-во файлов"), TwipsRect(120, 2760, 1695, 255));
    label2_[0] = ValueCell(this, 0, window, TwipsRect(1920, 2760, 6255, 255));
    label1_[4] = CaptionLabel(this, 4, tr("Обработано"), TwipsRect(120, 3120, 1695, 255));
    label2_[1] = ValueCell(this, 1, window, TwipsRect(1920, 3120, 2175, 255));
    label1_[5] = CaptionLabel(this, 5, tr("Дубликатов"), TwipsRect(4200, 3120, 1695, 255));
    label2_[2] = ValueCell(this, 2, window, TwipsRect(6000, 3120, 2175, 255));

    label1_[7] = CaptionLabel(this, 7, tr("Подобие"), TwipsRect(120, 3480, 1695, 255));
    text2_ = TextBox(this, "Text2", 3, TwipsRect(1920, 3480, 735, 375));
    text2_->setText("70");
    vscroll1_ =
        Place(new QScrollBar(Qt::Vertical, this), "VScroll1", TwipsRect(2640, 3480, 375, 375));
    vscroll1_->setRange(1, 100);
    vscroll1_->setSingleStep(1);
    vscroll1_->setPageStep(1);
    vscroll1_->setValue(31);
    vscroll1_->setFocusPolicy(Qt::StrongFocus);
    label1_[6] = CaptionLabel(this, 6, "%", TwipsRect(3000, 3600, 375, 255));
    command1_ =
        Button(this, "Command1", tr("Начать"), tr(" Начать процесс поиска и сравнения файлов "),
               TwipsRect(3480, 3480, 1455, 375));
    command2_ = Button(this, "Command2", tr("Выход"), tr(" Выход из программы "),
                       TwipsRect(6720, 3480, 1455, 375));
    // In the free space of the threshold row, so the designed controls keep their places.
    check2_ = Place(new QCheckBox(tr("Похожие"), this), "Check2", TwipsRect(5040, 3540, 1575, 255));
    check2_->setToolTip(
        tr(" Искать и похожие картинки: копии с другой яркостью, в оттенках серого, "
           "пересохранённые, уменьшенные или обрезанные по краю (зеркальные отражения не "
           "считаются похожими) "));
    PaintOnFormBlue(check2_);
    useCache_ = AddCacheActions(*this, *check2_);
    references_ = new ReferenceFolders(*text1_[0], [this] {
        return pickers_->PickFolder(this, FolderPickerTitle(),
                                    FolderPickerStart(text1_[0]->text()));
    });
}

void PicView::BuildPairArea() {
    label2_[3] = ValueCell(this, 3, kPaleGreen, TwipsRect(120, 3960, 3975, 255));
    label2_[6] = ValueCell(this, 6, kPaleGreen, TwipsRect(4200, 3960, 3975, 255));
    label2_[4] = ValueCell(this, 4, kPaleCyan, TwipsRect(120, 4320, 1935, 255));
    pic2_[0] = Place(new PictureBox(this), "Pic2_0", TwipsRect(2160, 4320, 1920, 1920));
    pic2_[1] = Place(new PictureBox(this), "Pic2_1", TwipsRect(4200, 4320, 1920, 1920));
    label2_[7] = ValueCell(this, 7, kPaleCyan, TwipsRect(6240, 4320, 1935, 255));
    label2_[5] = ValueCell(this, 5, kPaleOrange, TwipsRect(120, 4680, 1935, 255));
    label2_[8] = ValueCell(this, 8, kPaleOrange, TwipsRect(6240, 4680, 1935, 255));

    struct Decision {
        int index;
        const char* caption;
        const char* toolTip;
        QRect geometry;
    };
    const Decision decisions[] = {
        {1, QT_TR_NOOP("Удалить Все Большие"),
         QT_TR_NOOP(" Удалить все самые большие дубликаты, оставить один самый маленький "),
         TwipsRect(120, 5040, 1935, 615)},
        {4, QT_TR_NOOP("Пропустить >>"), QT_TR_NOOP(" Пропустить эту пару "),
         TwipsRect(6240, 5040, 1935, 615)},
        {3, QT_TR_NOOP("Удалить Все Маленькие"),
         QT_TR_NOOP(" Удалить все самые маленькие дубликаты, оставить один самый большой "),
         TwipsRect(120, 5760, 1935, 615)},
        {5, QT_TR_NOOP("Пропустить все"),
         QT_TR_NOOP(" Пропустить все, создать только список дубликатов "),
         TwipsRect(6240, 5760, 1935, 615)},
        {0, QT_TR_NOOP("Удалить"), QT_TR_NOOP(" Удалить файл слева "),
         TwipsRect(2160, 6360, 1935, 375)},
        {2, QT_TR_NOOP("Удалить"), QT_TR_NOOP(" Удалить файл справа "),
         TwipsRect(4200, 6360, 1935, 375)},
    };
    for (const Decision& d : decisions) {
        // Long captions wrap inside the taller buttons, as on the original form.
        auto* button = new WrappingButton(tr(d.caption), this);
        button->setToolTip(tr(d.toolTip));
        command4_[d.index] = Place(button, IndexedName("Command4", d.index), d.geometry);
    }

    label3_ =
        Place(new QLabel(tr("О программе..."), this), "Label3", TwipsRect(6240, 6480, 1935, 375));
    label3_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    PaintOnFormBlue(label3_);
    QFont underlined = label3_->font();
    underlined.setUnderline(true);
    label3_->setFont(underlined);
    label3_->setCursor(Qt::PointingHandCursor);
}

// Keyboard order of the form; labels, the frame and switched-off controls take no focus,
// so they are passed over and the focus starts in the search folder.
void PicView::SetTabOrder() {
    std::vector<QWidget*> order = {
        text1_[0],  label1_[0], label1_[1], text1_[1],    command1_,    command2_,    label1_[2],
        text1_[2],  pic1_,      label2_[0], label1_[3],   label2_[1],   label1_[4],   label1_[5],
        label2_[2], label1_[7], text2_,     command3_[0], command3_[1], command3_[2], frame1_,
        check1_[0], check1_[1], check1_[2], text1_[3],    command3_[3], pic2_[0],     pic2_[1]};
    for (int i = 3; i <= 8; ++i) order.push_back(label2_[i]);
    for (QPushButton* button : command4_) order.push_back(button);
    order.insert(order.end(), {label1_[6], vscroll1_, label3_, check2_});
    // Qt chains only controls that take the focus by Tab.
    std::erase_if(order, [](QWidget* w) { return !(w->focusPolicy() & Qt::TabFocus); });
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

}  // namespace morvane
