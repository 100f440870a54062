// The "<<" buttons: where each chooser opens, what it writes back, and Cancel.
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "engine/program_folder.h"
#include "support/temp_dir.h"
#include "ui/pic_view.h"
#include "ui/pickers.h"
#include "ui/translations.h"
#include "window_test_support.h"

using morvane::PicView;
using morvane::test::Control;

namespace {

// Answers each chooser with a prepared result and records how it was opened.
class FakePickers : public morvane::PickerDialogs {
  public:
    QString answer;
    int calls = 0;
    QString kind, title, start, proposedName;
    int filterIndex = 0;

    QString PickFolder(QWidget*, const QString& t, const QString& s) override {
        std::tie(kind, title, start) = std::tuple("folder", t, s);
        return ++calls, answer;
    }
    QString PickSaveFile(QWidget*, int index, const QString& t, const QString& name,
                         const QString& s) override {
        std::tie(kind, filterIndex, title, proposedName, start) =
            std::tuple("save", index, t, name, s);
        return ++calls, answer;
    }
};

}  // namespace

class PickersTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<PicView> window_;
    FakePickers* pickers_ = nullptr;
    QLineEdit* Text(const char* name) { return Control<QLineEdit>(*window_, name); }
    void Press(const char* name) { morvane::test::Press(*window_, name); }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(morvane::InstallQtTranslations(*qApp)); }
    void init() {
        window_ = std::make_unique<PicView>();
        auto pickers = std::make_unique<FakePickers>();
        pickers_ = pickers.get();
        window_->SetPickerDialogs(std::move(pickers));
        window_->show();
    }
    void cleanup() { window_.reset(); }

    void emptySearchFolderOpensAtHomeAndTakesTheChoiceWithASeparator() {
        pickers_->answer = "/srv/photos";
        Press("Command3_0");
        QCOMPARE(pickers_->kind, QString("folder"));
        QCOMPARE(pickers_->title, QString("Выбор каталога:"));
        QCOMPARE(pickers_->start, QDir::homePath());
        QCOMPARE(Text("Text1_0")->text(), QString("/srv/photos/"));
        pickers_->answer = "/";
        Press("Command3_0");
        QCOMPARE(Text("Text1_0")->text(), QString("/"));  // the root keeps one separator
    }

    void existingFolderIsTheStartPointAndAMissingOneGivesHome() {
        morvane::test::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        Text("Text1_3")->setText(folder);
        pickers_->answer = "";
        Press("Command3_3");
        QCOMPARE(pickers_->start, folder);
        QCOMPARE(Text("Text1_3")->text(), folder);  // cancelled: unchanged
        // A missing folder falls back to home.
        Text("Text1_3")->setText("/no/such/folder/");
        Press("Command3_3");
        QCOMPARE(pickers_->start, QDir::homePath());
    }

    void listFileOpensInItsFolderWithTheSecondFilterAndTheProposedName() {
        morvane::test::TempDir dir;
        const QString listed = QString::fromStdString(dir / "dups.txt");
        Text("Text1_1")->setText(listed);
        pickers_->answer = QString::fromStdString(dir / "chosen");
        Press("Command3_1");
        QCOMPARE(pickers_->kind, QString("save"));
        QCOMPARE(pickers_->filterIndex, 2);
        QCOMPARE(pickers_->title, QString());
        QCOMPARE(pickers_->proposedName, QString("Kestrum.txt"));
        QCOMPARE(pickers_->start, QString::fromStdString(dir.path().string() + "/"));
        // Taken as returned, without an extension added.
        QCOMPARE(Text("Text1_1")->text(), QString::fromStdString(dir / "chosen"));
        // A bare name opens in the program folder.
        Text("Text1_1")->setText("dups.txt");
        pickers_->answer = "";
        Press("Command3_1");
        QCOMPARE(pickers_->start, QString::fromStdString(morvane::ProgramFolder()));
        QCOMPARE(Text("Text1_1")->text(), QString("dups.txt"));
    }

    // The real save dialog: no title, Russian buttons, filters as listed, the second one
    // chosen, the proposed name, the overwrite question on, and Cancel gives "".
    void realSaveDialogIsSetUpAndCancels() {
        morvane::test::TempDir dir;
        QStringList filters;
        QString selectedFilter, proposed, title = "unset";
        QStringList buttons;
        bool confirmsOverwrite = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            filters = dialog->nameFilters();
            title = dialog->windowTitle();
            for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
                buttons << button->text();
            selectedFilter = dialog->selectedNameFilter();
            confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            const QStringList files = dialog->selectedFiles();
            proposed = files.isEmpty() ? QString() : QFileInfo(files.first()).fileName();
            dialog->reject();
        });
        morvane::FileDialogPickers real;
        const QString chosen = real.PickSaveFile(window_.get(), 2, "", "Kestrum.txt",
                                                 QString::fromStdString(dir.path().string()));
        QCOMPARE(chosen, QString());
        QCOMPARE(title, QString());
        QCOMPARE(buttons, (QStringList{"&Сохранить", "Отмена"}));
        QCOMPARE(filters.size(), 5);
        QCOMPARE(filters[0], QString("(*.*) (*.*)"));
        QCOMPARE(filters[1], QString("(*.txt, *.ini, *.cfg, *.doc, *.log) "
                                     "(*.txt *.ini *.cfg *.doc *.log)"));
        QCOMPARE(selectedFilter, QString("(*.txt, *.ini, *.cfg, *.doc, *.log)"));
        QCOMPARE(proposed, QString("Kestrum.txt"));
        QVERIFY(confirmsOverwrite);
    }
};

QTEST_MAIN(PickersTest)
#include "pickers_test.moc"
