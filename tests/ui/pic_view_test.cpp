// The main window before any run: defaults, the disposal-mode boxes, the threshold spinner,
// the "Похожие" box, the "<<" choosers and the About link.
#include <QtTest>
#include <QtWidgets>

#include <memory>

#include "run/program_folder.h"
#include "support/temp_dir.h"
#include "ui/about/about_window.h"
#include "ui/pic_view.h"
#include "ui/pickers.h"
#include "ui/translations.h"
#include "window_test_support.h"

using morvane::DisposalWay;
using morvane::test::Click;
using morvane::test::Control;

namespace {

// Answers each chooser with a prepared result and records how it was asked, as
// "kind|filter|title|proposed name|start".
class FakePickers : public morvane::PickerDialogs {
  public:
    QString answer, asked;

    QString PickFolder(QWidget*, const QString& title, const QString& start) override {
        asked = QStringList{"folder", "", title, "", start}.join('|');
        return answer;
    }
    QString PickSaveFile(QWidget*, int filter, const QString& title, const QString& name,
                         const QString& start) override {
        asked = QStringList{"save", QString::number(filter), title, name, start}.join('|');
        return answer;
    }
};

}  // namespace

class PicViewTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<morvane::PicView> window_;
    FakePickers* pickers_ = nullptr;
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
    // Sets the field, answers its chooser with `answer` and returns what the field then holds.
    QString Pick(const char* field, const char* button, const QString& text,
                 const QString& answer) {
        Text(field)->setText(text);
        pickers_->answer = answer;
        morvane::test::Press(Window(), button);
        return Text(field)->text();
    }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(morvane::InstallQtTranslations(*qApp)); }
    void init() {
        window_ = std::make_unique<morvane::PicView>();
        auto pickers = std::make_unique<FakePickers>();
        pickers_ = pickers.get();
        window_->SetPickerDialogs(std::move(pickers));
        morvane::test::ShowActive(*window_);
    }
    void cleanup() { window_.reset(); }

    // Design places are twips, 15 to the pixel at 96 DPI offscreen.
    void startsWithTheDefaults() {
        QCOMPARE(Text("Text1_2")->text(), QString("*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf"));
        QCOMPARE(Text("Text1_3")->text(), QDir::homePath() + "/tmp/");
        QCOMPARE(Text("Text2")->text(), QString("70"));
        QVERIFY(!Control<QWidget>(Window(), "Command3_2")->isEnabled());
        QCOMPARE(Window().size(), QSize(565, 457));
        QCOMPARE(QApplication::focusWidget(), Text("Text1_0"));
        // The test program's folder is writable, so the list defaults to a file beside it.
        QCOMPARE(Text("Text1_1")->text().toStdString(), morvane::ProgramFolder() + "Kestrum.txt");
    }

    // Tabbing through the boxes or another key changes nothing; Space toggles and applies the
    // rule, as a click does: it unticks the others, and the move folder is open only while
    // moving, or when no way is chosen (the moving box clicked again).
    void boxUnticksTheOthers() {
        auto* last = Control<QCheckBox>(Window(), "Check1", 2);
        Control<QCheckBox>(Window(), "Check1", 0)->setFocus();
        for (const auto key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_A})
            QTest::keyClick(QApplication::focusWidget(), key);
        QVERIFY(QApplication::focusWidget() == last && Boxes() == "100 open");
        QTest::keyClick(last, Qt::Key_Space);
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

    // The spinner steps from its own value, not from a typed one; its ends are 100 and 1. The
    // threshold takes no fourth character. The "Похожие" box sets its threshold and back,
    // but leaves a typed one alone.
    void threshold() {
        auto* bar = Control<QScrollBar>(Window(), "VScroll1");
        const auto arrow = [bar](bool down) {  // the arrows fill the bar's two ends
            QTest::mouseClick(bar, Qt::LeftButton, {},
                              {bar->width() / 2, down ? bar->height() - 3 : 2});
        };
        arrow(true);
        QVERIFY(Text("Text2")->text() == "69" && QApplication::focusWidget() == Text("Text2"));
        arrow(false);
        Text("Text2")->clear();
        QTest::keyClicks(Text("Text2"), "1234");
        QCOMPARE(Text("Text2")->text(), QString("123"));
        arrow(false);
        QCOMPARE(Text("Text2")->text(), QString("71"));
        for (const auto& [key, text] : {std::pair{Qt::Key_Home, "100"}, {Qt::Key_End, "1"}}) {
            bar->setFocus();
            QTest::keyClick(bar, key);
            QCOMPARE(Text("Text2")->text(), QString(text));
        }
        Text("Text2")->setText("70");
        for (const auto& [typed, expected] : {std::pair{"", "88"}, {"", "70"}, {"75", "75"}}) {
            if (*typed) Text("Text2")->setText(typed);
            Click(Window(), "Check2");
            QCOMPARE(Text("Text2")->text(), QString(expected));
            QVERIFY(*typed || bar->value() == 101 - QString(expected).toInt());
        }
    }

    // A folder chooser opens in the field's folder, else at home; the choice gets a separator
    // (the root keeps one), and Cancel leaves the field. The list chooser opens in the list's
    // folder (a bare name: the program folder) with the second filter and the proposed name;
    // the choice is taken as returned.
    void choosers() {
        const QString home = QDir::homePath();
        QCOMPARE(Pick("Text1_0", "Command3_0", "", "/srv/photos"), QString("/srv/photos/"));
        QCOMPARE(pickers_->asked, "folder||Выбор каталога:||" + home);
        QCOMPARE(Pick("Text1_0", "Command3_0", "", "/"), QString("/"));
        morvane::test::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        QCOMPARE(Pick("Text1_3", "Command3_3", folder, ""), folder);
        QVERIFY(pickers_->asked.endsWith("|" + folder));
        Pick("Text1_3", "Command3_3", "/no/such/folder/", "");
        QVERIFY(pickers_->asked.endsWith("|" + home));
        QCOMPARE(Pick("Text1_1", "Command3_1", folder + "/dups.txt", folder + "/chosen"),
                 folder + "/chosen");
        QCOMPARE(pickers_->asked, "save|2||Kestrum.txt|" + folder + "/");
        QCOMPARE(Pick("Text1_1", "Command3_1", "dups.txt", ""), QString("dups.txt"));
        QVERIFY(pickers_->asked.endsWith("|" + QString::fromStdString(morvane::ProgramFolder())));
    }

    // The real save dialog: no title, Russian buttons, the second filter chosen, the proposed
    // name, the overwrite question on, and Cancel gives "".
    void realSaveDialogIsSetUpAndCancels() {
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen << dialog->windowTitle() << dialog->selectedNameFilter()
                 << dialog->selectedFiles().value(0).section('/', -1)
                 << QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
                seen << button->text();
            dialog->reject();
        });
        QCOMPARE(morvane::FileDialogPickers().PickSaveFile(&Window(), 2, "", "Kestrum.txt",
                                                           QDir::tempPath()),
                 QString());
        QCOMPARE(seen, (QStringList{"", "(*.txt, *.ini, *.cfg, *.doc, *.log)", "Kestrum.txt", "0",
                                    "&Сохранить", "Отмена"}));
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
