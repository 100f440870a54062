// The main window before any run: defaults, layout, keyboard order, the disposal-mode boxes,
// the threshold spinner and the About link.
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
    // The move folder's field and its button are switched together.
    bool MoveFolderEnabled() {
        return Text("Text1_3")->isEnabled() &&
               Control<QPushButton>(Window(), "Command3_3")->isEnabled();
    }
    bool MoveFolderDisabled() {
        return !Text("Text1_3")->isEnabled() &&
               !Control<QPushButton>(Window(), "Command3_3")->isEnabled();
    }

  private Q_SLOTS:
    void init() {
        window_ = std::make_unique<PicView>();
        morvane::test::ShowActive(*window_);
    }
    void cleanup() { window_.reset(); }

    void startsWithTheDefaults() {
        QCOMPARE(Window().windowTitle(), QString("Morvane"));
        QCOMPARE(Text("Text1_0")->text(), QString());
        QCOMPARE(Text("Text1_2")->text(), QString("*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf"));
        QCOMPARE(Text("Text1_3")->text(), QDir::homePath() + "/tmp/");
        QCOMPARE(Text("Text2")->text(), QString("70"));
        QCOMPARE(Control<QScrollBar>(Window(), "VScroll1")->value(), 31);
        QVERIFY(Box(0)->isChecked());
        QVERIFY(!Box(1)->isChecked());
        QVERIFY(!Box(2)->isChecked());
        QVERIFY(MoveFolderEnabled());
        QVERIFY(!Control<QPushButton>(Window(), "Command3_2")->isEnabled());
        for (int i = 0; i <= 8; ++i)
            QCOMPARE(Control<QLabel>(Window(), "Label2", i)->text(), QString("#"));
        QVERIFY(!Window().windowIcon().isNull());
        QCOMPARE(QApplication::focusWidget(), Text("Text1_0"));
        // The test program's folder is writable, so the list defaults to a file beside it.
        QCOMPARE(Text("Text1_1")->text().toStdString(), morvane::ProgramFolder() + "Kestrum.txt");
    }

    // Design places in twips become pixels at 15 twips per pixel (96 DPI offscreen).
    void controlsSitAtTheirDesignPlaces() {
        QCOMPARE(Window().size(), QSize(565, 457));
        QCOMPARE(Text("Text1_0")->geometry(), QRect(136, 8, 361, 25));
        QCOMPARE(Box(2)->geometry(), QRect(136, 56, 353, 17));  // inside Frame1
        QCOMPARE(Control<QWidget>(Window(), "Frame1")->geometry(), QRect(8, 96, 553, 81));
        QCOMPARE(Control<QWidget>(Window(), "VScroll1")->geometry(), QRect(176, 232, 25, 25));
        QCOMPARE(Control<QWidget>(Window(), "Pic2_1")->geometry(), QRect(280, 288, 128, 128));
        QCOMPARE(Control<QWidget>(Window(), "Command4_3")->geometry(), QRect(8, 384, 129, 41));
        QCOMPARE(Control<QWidget>(Window(), "Label3")->geometry(), QRect(416, 432, 129, 25));
        QVERIFY(Control<QWidget>(Window(), "Pic1")->isHidden());
        QVERIFY(Control<QLabel>(Window(), "Label3")->font().underline());
        QCOMPARE(Control<QLabel>(Window(), "Label2_0")->alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
        QCOMPARE(Control<QLabel>(Window(), "Label2_8")->alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
    }

    void toolTipsKeepTheirBlanks() {
        const auto tip = [this](const char* name) {
            return Control<QWidget>(Window(), name)->toolTip();
        };
        QCOMPARE(tip("Command1"), QString(" Начать процесс поиска и сравнения файлов "));
        QCOMPARE(tip("Command2"), QString(" Выход из программы "));
        QCOMPARE(tip("Command4_5"), QString(" Пропустить все, создать только список дубликатов "));
        QCOMPARE(Control<QPushButton>(Window(), "Command4_1")->text(),
                 QString("Удалить Все Большие"));
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

    // A click on one box unticks the others; the move folder is open only while moving.
    void clickedBoxUnticksTheOthers() {
        Click(Window(), "Check1_1");
        QVERIFY(!Box(0)->isChecked() && Box(1)->isChecked() && MoveFolderDisabled());
        QCOMPARE(Window().ChosenDisposalWay(), morvane::DisposalWay::Trash);
        Click(Window(), "Check1_2");
        QVERIFY(!Box(1)->isChecked() && Box(2)->isChecked() && MoveFolderDisabled());
        QCOMPARE(Window().ChosenDisposalWay(), morvane::DisposalWay::Wipe);
        Click(Window(), "Check1_0");
        QVERIFY(Box(0)->isChecked() && !Box(2)->isChecked() && MoveFolderEnabled());
        QCOMPARE(Window().ChosenDisposalWay(), morvane::DisposalWay::MoveToFolder);
        // Clicked again, the moving box leaves no way chosen.
        Click(Window(), "Check1_0");
        QVERIFY(!Box(0)->isChecked() && !Box(1)->isChecked() && !Box(2)->isChecked());
        QVERIFY(MoveFolderEnabled());
        QCOMPARE(Window().ChosenDisposalWay(), morvane::DisposalWay::None);
    }

    // Tabbing through the boxes or another key changes nothing; Space toggles and applies
    // the rule.
    void onlySpaceAppliesTheRule() {
        Box(0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
        QCOMPARE(QApplication::focusWidget(), Box(2));
        QVERIFY(Box(0)->isChecked() && MoveFolderEnabled());
        QTest::keyClick(Box(2), Qt::Key_Space);
        QVERIFY(!Box(0)->isChecked() && Box(2)->isChecked() && MoveFolderDisabled());
    }

    // The spinner steps from its own value, not from a typed one; its ends are 100 and 1.
    void spinner() {
        auto* bar = Control<QScrollBar>(Window(), "VScroll1");
        ClickScrollArrow(bar, QStyle::SC_ScrollBarAddLine);
        QCOMPARE(Text("Text2")->text(), QString("69"));
        QCOMPARE(QApplication::focusWidget(), Text("Text2"));
        ClickScrollArrow(bar, QStyle::SC_ScrollBarSubLine);
        Text("Text2")->clear();
        QTest::keyClicks(Text("Text2"), "85");
        ClickScrollArrow(bar, QStyle::SC_ScrollBarSubLine);
        QCOMPARE(Text("Text2")->text(), QString("71"));
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_Home);
        QCOMPARE(Text("Text2")->text(), QString("100"));
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_End);
        QCOMPARE(Text("Text2")->text(), QString("1"));
    }

    void thresholdTakesNoFourthCharacter() {
        Text("Text2")->clear();
        QTest::keyClicks(Text("Text2"), "1234");
        QCOMPARE(Text("Text2")->text(), QString("123"));
    }

    void aboutLinkOpensTheAboutWindowModal() {
        QString opened;
        QTimer::singleShot(0, [&opened] {
            QWidget* modal = QApplication::activeModalWidget();
            if (qobject_cast<morvane::fAbout*>(modal)) opened = "fAbout";
            if (modal) modal->close();
        });
        auto* link = Control<QLabel>(Window(), "Label3");
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QCOMPARE(opened, QString("fAbout"));
    }
};

QTEST_MAIN(PicViewTest)
#include "pic_view_test.moc"
