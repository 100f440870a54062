// The main window before any run: defaults, layout, keyboard order, the disposal-mode boxes,
// the threshold spinner, the "Похожие" box, the "<<" choosers and the About link.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "run/program_folder.h"
#include "support/temp_dir.h"
#include "ui/about/about_window.h"
#include "ui/pic_view.h"
#include "ui/pickers.h"
#include "ui/translations.h"
#include "window_test_support.h"

using morvane::DisposalWay;
using morvane::PicView;
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
    std::unique_ptr<PicView> window_;
    FakePickers* pickers_ = nullptr;
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
        window_ = std::make_unique<PicView>();
        auto pickers = std::make_unique<FakePickers>();
        pickers_ = pickers.get();
        window_->SetPickerDialogs(std::move(pickers));
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
            {"Command3_2", "enabled", false},
            {"Command1", "toolTip", QString(" Начать процесс поиска и сравнения файлов ")},
            {"Pic1", "visible", false},
            {"", "size", QSize(565, 457)},
            {"Check1_2", "geometry", QRect(136, 56, 353, 17)},  // inside Frame1
            {"Frame1", "geometry", QRect(8, 96, 553, 81)},
            {"Pic2_1", "geometry", QRect(280, 288, 128, 128)},
            {"Label3", "geometry", QRect(416, 432, 129, 25)},
            {"Label2_8", "alignment", int(Qt::AlignRight)},
        };
        for (const auto& row : rows) {
            QWidget* widget = *row.name ? Control<QWidget>(Window(), row.name) : &Window();
            QVariant value = widget->property(row.property);
            if (row.property == QByteArrayView("alignment"))
                value = int(value.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask);
            QVERIFY2(value == row.expected, (row.name + QByteArray(" ") + row.property).data());
        }
        QCOMPARE(Window().windowTitle(), QString("Morvane"));
        QCOMPARE(Boxes(), QString("100 open"));
        for (int i = 0; i <= 8; ++i)
            QCOMPARE(Control<QLabel>(Window(), "Label2", i)->text(), QString("#"));
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
        const auto arrow = [bar](bool down) {  // the arrows fill the bar's two ends
            QTest::mouseClick(bar, Qt::LeftButton, {},
                              {bar->width() / 2, down ? bar->height() - 3 : 2});
        };
        arrow(true);
        QCOMPARE(Text("Text2")->text(), QString("69"));
        QCOMPARE(QApplication::focusWidget(), Text("Text2"));
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

    // A folder chooser opens in the field's folder, else at home; the choice gets a separator
    // (the root keeps one), and Cancel leaves the field.
    void folderChoosers() {
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
    }

    // The list chooser opens in the list's folder (a bare name: the program folder) with the
    // second filter and the proposed name; the choice is taken as returned.
    void listFileChooser() {
        morvane::test::TempDir dir;
        const QString chosen = QString::fromStdString(dir / "chosen");
        QCOMPARE(Pick("Text1_1", "Command3_1", QString::fromStdString(dir / "dups.txt"), chosen),
                 chosen);
        QCOMPARE(pickers_->asked,
                 "save|2||Kestrum.txt|" + QString::fromStdString(dir.path().string() + "/"));
        QCOMPARE(Pick("Text1_1", "Command3_1", "dups.txt", ""), QString("dups.txt"));
        QVERIFY(pickers_->asked.endsWith("|" + QString::fromStdString(morvane::ProgramFolder())));
    }

    // The real save dialog: no title, Russian buttons, filters as listed, the second one
    // chosen, the proposed name, the overwrite question on, and Cancel gives "".
    void realSaveDialogIsSetUpAndCancels() {
        morvane::test::TempDir dir;
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen << dialog->windowTitle() << dialog->nameFilters().mid(0, 2)
                 << dialog->selectedNameFilter()
                 << dialog->selectedFiles().value(0).section('/', -1)
                 << QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite))
                 << QString::number(dialog->nameFilters().size());
            for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
                seen << button->text();
            dialog->reject();
        });
        morvane::FileDialogPickers real;
        QCOMPARE(real.PickSaveFile(&Window(), 2, "", "Kestrum.txt",
                                   QString::fromStdString(dir.path().string())),
                 QString());
        QCOMPARE(seen, (QStringList{"", "(*.*) (*.*)",
                                    "(*.txt, *.ini, *.cfg, *.doc, *.log) "
                                    "(*.txt *.ini *.cfg *.doc *.log)",
                                    "(*.txt, *.ini, *.cfg, *.doc, *.log)", "Kestrum.txt", "0", "5",
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
