// The main window before any run: defaults, layout, keyboard order, the disposal-mode boxes,
// the threshold spinner, the "Похожие" box and the About link.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "about/about_window.h"
#include "engine/program_folder.h"
#include "ui/pic_view.h"
#include "window_test_support.h"

using morvane::DisposalWay;
using morvane::PicView;
using morvane::test::Click;
using morvane::test::ClickScrollArrow;
using morvane::test::Control;

class PicViewTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<PicView> window_;
    PicView& Window() { return *window_; }
    QLineEdit* Text(const char* name) { return Control<QLineEdit>(Window(), name); }
    QCheckBox* Box(int index) { return Control<QCheckBox>(Window(), "Check1", index); }
    // The ticked boxes as "010", and whether the move folder's field and button are open;
    // they are always switched together.
    QString Boxes() {
        QString ticks;
        for (int i = 0; i < 3; ++i) ticks += Box(i)->isChecked() ? '1' : '0';
        const bool open = Text("Text1_3")->isEnabled();
        const bool button = Control<QPushButton>(Window(), "Command3_3")->isEnabled();
        return ticks + (open != button ? " mixed" : open ? " open" : " shut");
    }

  private Q_SLOTS:
    void init() {
        window_ = std::make_unique<PicView>();
        morvane::test::ShowActive(*window_);
    }
    void cleanup() { window_.reset(); }

    // Texts, tool tips (with their blanks) and design places: twips become pixels at 15 twips
    // per pixel (96 DPI offscreen).
    void startsWithTheDefaultsInTheirPlaces() {
        const struct {
            const char* name;
            const char* property;
            QVariant expected;
        } rows[] = {
            {"Text1_0", "text", QString()},
            {"Text1_2", "text", QString("*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf")},
            {"Text1_3", "text", QDir::homePath() + "/tmp/"},
            {"Text2", "text", QString("70")},
            {"VScroll1", "value", 31},
            {"Command3_2", "enabled", false},
            {"Command4_1", "text", QString("Удалить Все Большие")},
            {"Command1", "toolTip", QString(" Начать процесс поиска и сравнения файлов ")},
            {"Command2", "toolTip", QString(" Выход из программы ")},
            {"Command4_5", "toolTip",
             QString(" Пропустить все, создать только список дубликатов ")},
            {"Pic1", "visible", false},
            {"Label3", "underline", true},
            {"", "size", QSize(565, 457)},
            {"Text1_0", "geometry", QRect(136, 8, 361, 25)},
            {"Check1_2", "geometry", QRect(136, 56, 353, 17)},  // inside Frame1
            {"Frame1", "geometry", QRect(8, 96, 553, 81)},
            {"VScroll1", "geometry", QRect(176, 232, 25, 25)},
            {"Pic2_1", "geometry", QRect(280, 288, 128, 128)},
            {"Command4_3", "geometry", QRect(8, 384, 129, 41)},
            {"Label3", "geometry", QRect(416, 432, 129, 25)},
            {"Label2_0", "alignment", int(Qt::AlignLeft)},
            {"Label2_8", "alignment", int(Qt::AlignRight)},
        };
        for (const auto& row : rows) {
            QWidget* widget = *row.name ? Control<QWidget>(Window(), row.name) : &Window();
            QVariant value = widget->property(row.property);
            if (row.property == QByteArrayView("underline")) value = widget->font().underline();
            if (row.property == QByteArrayView("alignment"))
                value = int(value.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask);
            QVERIFY2(value == row.expected, (row.name + QByteArray(" ") + row.property).data());
        }
        QCOMPARE(Window().windowTitle(), QString("Morvane"));
        QCOMPARE(Boxes(), QString("100 open"));
        for (int i = 0; i <= 8; ++i)
            QCOMPARE(Control<QLabel>(Window(), "Label2", i)->text(), QString("#"));
        QVERIFY(!Window().windowIcon().isNull());
        QCOMPARE(QApplication::focusWidget(), Text("Text1_0"));
        // The test program's folder is writable, so the list defaults to a file beside it.
        QCOMPARE(Text("Text1_1")->text().toStdString(), morvane::ProgramFolder() + "Kestrum.txt");
    }

    // The keyboard order passes over labels, the frame and the switched-off button; the mode
    // box, added to the form, comes last.
    void keyboardOrderFollowsTheForm() {
        const QStringList expected = {
            "Text1_0",    "Text1_1",    "Command1",   "Command2",   "Text1_2",    "Text2",
            "Command3_0", "Command3_1", "Check1_0",   "Check1_1",   "Check1_2",   "Text1_3",
            "Command3_3", "Command4_0", "Command4_1", "Command4_2", "Command4_3", "Command4_4",
            "Command4_5", "VScroll1",   "Check2"};
        QStringList seen;
        QWidget* widget = QApplication::focusWidget();
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
                widget->isVisible() && widget->window() == &Window())
                seen << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != QApplication::focusWidget());
        QCOMPARE(seen, expected);
    }

    // A click on one box unticks the others; the move folder is open only while moving, or
    // when no way is chosen (the moving box clicked again).
    void clickedBoxUnticksTheOthers() {
        const struct {
            const char* box;
            const char* state;
            DisposalWay way;
        } rows[] = {{"Check1_1", "010 shut", DisposalWay::Trash},
                    {"Check1_2", "001 shut", DisposalWay::Wipe},
                    {"Check1_0", "100 open", DisposalWay::MoveToFolder},
                    {"Check1_0", "000 open", DisposalWay::None}};
        for (const auto& row : rows) {
            Click(Window(), row.box);
            QCOMPARE(Boxes(), QString(row.state));
            QCOMPARE(Window().ChosenDisposalWay(), row.way);
        }
    }

    // Tabbing through the boxes or another key changes nothing; Space toggles and applies
    // the rule.
    void onlySpaceAppliesTheRule() {
        Box(0)->setFocus();
        for (const auto key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_A})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(QApplication::focusWidget(), Box(2));
        QCOMPARE(Boxes(), QString("100 open"));
        QTest::keyClick(Box(2), Qt::Key_Space);
        QCOMPARE(Boxes(), QString("001 shut"));
    }

    // The spinner steps from its own value, not from a typed one; its ends are 100 and 1. The
    // threshold takes no fourth character.
    void spinner() {
        auto* bar = Control<QScrollBar>(Window(), "VScroll1");
        ClickScrollArrow(bar, QStyle::SC_ScrollBarAddLine);
        QCOMPARE(Text("Text2")->text(), QString("69"));
        QCOMPARE(QApplication::focusWidget(), Text("Text2"));
        ClickScrollArrow(bar, QStyle::SC_ScrollBarSubLine);
        Text("Text2")->clear();
        QTest::keyClicks(Text("Text2"), "1234");
        QCOMPARE(Text("Text2")->text(), QString("123"));
        ClickScrollArrow(bar, QStyle::SC_ScrollBarSubLine);
        QCOMPARE(Text("Text2")->text(), QString("71"));
        for (const auto& [key, text] : {std::pair{Qt::Key_Home, "100"}, {Qt::Key_End, "1"}}) {
            bar->setFocus();
            QTest::keyClick(bar, key);
            QCOMPARE(Text("Text2")->text(), QString(text));
        }
    }

    // The "Похожие" box sets its threshold and back, but leaves a typed one alone.
    void thresholdFollowsTheSimilarBoxUnlessTyped() {
        for (const char* expected : {"88", "70"}) {
            Click(Window(), "Check2");
            QCOMPARE(Text("Text2")->text(), QString(expected));
            QCOMPARE(Control<QScrollBar>(Window(), "VScroll1")->value(),
                     101 - QString(expected).toInt());
        }
        Text("Text2")->setText("75");
        Click(Window(), "Check2");
        QCOMPARE(Text("Text2")->text(), QString("75"));
    }

    void aboutLinkOpensTheAboutWindowModal() {
        bool opened = false;
        QTimer::singleShot(0, [&opened] {
            QWidget* modal = QApplication::activeModalWidget();
            opened = qobject_cast<morvane::fAbout*>(modal);
            if (modal) modal->close();
        });
        auto* link = Control<QLabel>(Window(), "Label3");
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QVERIFY(opened);
    }
};

QTEST_MAIN(PicViewTest)
#include "pic_view_test.moc"
