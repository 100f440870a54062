// The "<<" buttons: where each chooser opens, what it writes back, and Cancel.
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <memory>

#include "engine/program_folder.h"
#include "support/temp_dir.h"
#include "ui/pic_view.h"
#include "ui/pickers.h"
#include "ui/translations.h"
#include "window_test_support.h"

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

class PickersTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<morvane::PicView> window_;
    FakePickers* pickers_ = nullptr;
    QLineEdit* Text(const char* name) { return Control<QLineEdit>(*window_, name); }
    // Sets the field, answers its chooser with `answer` and returns what the field then holds.
    QString Pick(const char* field, const char* button, const QString& text,
                 const QString& answer) {
        Text(field)->setText(text);
        pickers_->answer = answer;
        morvane::test::Press(*window_, button);
        return Text(field)->text();
    }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(morvane::InstallQtTranslations(*qApp)); }
    void init() {
        window_ = std::make_unique<morvane::PicView>();
        auto pickers = std::make_unique<FakePickers>();
        pickers_ = pickers.get();
        window_->SetPickerDialogs(std::move(pickers));
        window_->show();
    }
    void cleanup() { window_.reset(); }

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
        QCOMPARE(real.PickSaveFile(window_.get(), 2, "", "Kestrum.txt",
                                   QString::fromStdString(dir.path().string())),
                 QString());
        QCOMPARE(seen, (QStringList{"", "(*.*) (*.*)",
                                    "(*.txt, *.ini, *.cfg, *.doc, *.log) "
                                    "(*.txt *.ini *.cfg *.doc *.log)",
                                    "(*.txt, *.ini, *.cfg, *.doc, *.log)", "Kestrum.txt", "0", "5",
                                    "&Сохранить", "Отмена"}));
    }
};

QTEST_MAIN(PickersTest)
#include "pickers_test.moc"
