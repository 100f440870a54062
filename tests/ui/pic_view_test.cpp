// SPDX-License-Identifier: GPL-3.0-or-later
// The main window before any run: defaults, the disposal-mode boxes, the threshold, the real
// save dialog and the About link.
#include <QtTest>
#include <QtWidgets>

#include <memory>

#include "run/defaults.h"
#include "run/program_folder.h"
#include "ui/about/about_window.h"
#include "ui/pic_view.h"
#include "ui/pickers.h"
#include "ui/reference_folders.h"
#include "window_test_support.h"

using morvane::DisposalWay;
using morvane::test::Click;
using morvane::test::Control;

class PicViewTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<morvane::PicView> window_;
    morvane::PicView& Window() { return *window_; }
    QLineEdit* Text(const char* name) { return Control<QLineEdit>(Window(), name); }
    // The ticked boxes as "010", and whether the move folder's field and button are open;
    // they are always switched together.
    QString Boxes() {
        QString ticks;
        for (int i = 0; i < 3; ++i)
            ticks += Control<QCheckBox>(Window(), "Check1", i)->isChecked() ? '1' : '0';
        const bool open = Text("Text1_3")->isEnabled();
        const bool button = Control<QPushButton>(Window(), "Command3_3")->isEnabled();
        return ticks + (open != button ? " mixed" : open ? " open" : " shut");
    }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(morvane::InstallTranslations(*qApp)); }
    void init() {
        window_ = std::make_unique<morvane::PicView>();
        morvane::test::ShowActive(*window_);
    }
    void cleanup() { window_.reset(); }

    // Moved files go under the home folder by default; the list goes beside the program
    // when its folder is writable, as the test program's is.
    void startsWithTheDefaults() {
        QCOMPARE(Text("Text1_3")->text(), QDir::homePath() + "/tmp/");
        QCOMPARE(Text("Text1_1")->text().toStdString(), morvane::ProgramFolder() + "Kestrum.txt");
    }

    // A box, clicked or toggled by Space, unticks the others, and the move folder is open
    // only while moving, or when no way is chosen (the moving box clicked again).
    void boxUnticksTheOthers() {
        QTest::keyClick(Control<QCheckBox>(Window(), "Check1", 2), Qt::Key_Space);
        QCOMPARE(Boxes(), QString("001 shut"));
        const std::tuple<const char*, const char*, DisposalWay> rows[] = {
            {"Check1_1", "010 shut", DisposalWay::Trash},
            {"Check1_2", "001 shut", DisposalWay::Wipe},
            {"Check1_0", "100 open", DisposalWay::MoveToFolder},
            {"Check1_0", "000 open", DisposalWay::None}};
        for (const auto& [box, state, way] : rows) {
            Click(Window(), box);
            QVERIFY2(Boxes() == state && Window().ChosenDisposalWay() == way, state);
        }
    }

    // The "Похожие" box sets its threshold and back, but leaves a typed one alone; the
    // spinner follows.
    void similarBoxSwitchesTheThreshold() {
        auto* bar = Control<QScrollBar>(Window(), "VScroll1");
        for (const auto& [typed, expected] : {std::pair{"", "88"}, {"", "70"}, {"75", "75"}}) {
            if (*typed) Text("Text2")->setText(typed);
            Click(Window(), "Check2");
            QCOMPARE(Text("Text2")->text(), QString(expected));
            QVERIFY(*typed || bar->value() == 101 - QString(expected).toInt());
        }
    }

    // The masks box's menu keeps the standard edit actions and fills in every format, or the
    // default masks, as one edit that Undo takes back.
    void masksMenuOffersEveryFormatAndTheDefault() {
        auto* masks = Text("Text1_2");
        masks->setText("*.png");
        for (const char* choice : {"MasksAllFormats", "MasksDefault"}) {
            QStringList shown;
            QTimer::singleShot(0, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu) return;
                for (QAction* action : menu->actions()) shown << action->objectName();
                masks->findChild<QAction*>(choice)->trigger();
                menu->close();
            });
            Q_EMIT masks->customContextMenuRequested({5, 5});
            QVERIFY(shown.size() > 4 && shown.contains(choice));  // the edit actions first
        }
        QCOMPARE(masks->text(), QString(morvane::kDefaultMasks));
        masks->undo();
        masks->undo();
        QCOMPARE(masks->text(), QString("*.png"));
    }

    // The real save dialog asks before overwriting, proposes the list's name and second
    // filter, and Cancel gives "".
    void realSaveDialogAsksBeforeOverwritingAndCancels() {
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen << dialog->selectedNameFilter()
                 << dialog->selectedFiles().value(0).section('/', -1)
                 << QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            dialog->reject();
        });
        QCOMPARE(morvane::FileDialogPickers().PickSaveFile(&Window(), 2, "", "Kestrum.txt",
                                                           QDir::tempPath()),
                 QString());
        QCOMPARE(seen, (QStringList{"(*.txt, *.ini, *.cfg, *.doc, *.log)", "Kestrum.txt", "0"}));
    }

    // Every caption, tool tip and menu entry of the window and the About window speaks the
    // locale's language, and so do Qt's own buttons: under English no Cyrillic letter is left.
    void speaksTheLanguageOfTheLocale() {
        using morvane::test::Said;
        QCOMPARE(Control<QPushButton>(Window(), "Command1")->text(), Said("Начать", "Start"));
        QCOMPARE(Control<QPushButton>(Window(), "Command4_3")->text(),
                 Said("Удалить Все Маленькие", "Delete All Smaller"));
        auto* folders = Window().findChild<morvane::ReferenceFolders*>();
        folders->Add(QDir::tempPath().toStdString());
        QMenu menu;
        folders->FillMenu(menu);
        morvane::fAbout about(&Window());
        QDialogButtonBox qt(QDialogButtonBox::Cancel);
        QStringList texts{about.windowTitle()};
        for (QWidget* widget : std::initializer_list<QWidget*>{&Window(), &about, &menu, &qt}) {
            for (auto* label : widget->findChildren<QLabel*>()) texts << label->text();
            for (auto* button : widget->findChildren<QAbstractButton*>()) texts << button->text();
            for (auto* box : widget->findChildren<QGroupBox*>()) texts << box->title();
            for (auto* action : widget->findChildren<QAction*>())
                texts << action->text() << action->toolTip();
            for (auto* child : widget->findChildren<QWidget*>()) texts << child->toolTip();
        }
        const QStringList russian = texts.filter(QRegularExpression("\\p{Cyrillic}"));
        QVERIFY2(russian.isEmpty() != morvane::SpeaksRussian(QLocale::system()),
                 qPrintable(russian.join('|')));
    }

    // The link opens a fresh About window modal, discarded when it closes.
    void aboutLinkOpensTheAboutWindowModal() {
        bool opened = false;
        QTimer::singleShot(0, [&opened] {
            opened = qobject_cast<morvane::fAbout*>(QApplication::activeModalWidget());
            QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
        });
        auto* link = Control<QLabel>(Window(), "Label3");
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QVERIFY(opened);
        QTRY_VERIFY(Window().findChildren<morvane::fAbout*>().isEmpty());
    }
};

QTEST_MAIN(PicViewTest)
#include "pic_view_test.moc"
