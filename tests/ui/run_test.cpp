// SPDX-License-Identifier: GPL-3.0-or-later
// Whole runs from the main window on generated folders, driven by clicks: the counters, the
// slots, the decisions, Stop, Exit, closing the window, the "Похожие" mode, the message boxes
// and the fingerprint cache's menu.
#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "files/unique_fd.h"
#include "review/output_files.h"
#include "run/fingerprint_cache.h"
#include "run/messages.h"
#include "support/temp_dir.h"
#include "ui/pic_view.h"
#include "ui/picture_display.h"
#include "ui/reference_folders.h"
#include "window_test_support.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using morvane::test::Control;
using morvane::test::Said;
using morvane::test::TempDir;

class RunTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TempDir> pictures_, outside_;  // the searched folder; the list and moves
    std::unique_ptr<morvane::PicView> window_;
    QStringList messages_;  // each box the window opened, as "title|text|icon"
    QList<int> exits_;
    QTimer boxes_;

    QString Cell(int index) { return Control<QLabel>(*window_, "Label2", index)->text(); }
    QStringList Cells() {
        QStringList cells;
        for (int i = 0; i <= 8; ++i) cells << Cell(i);
        return cells;
    }
    QLineEdit* Text(const char* name) { return Control<QLineEdit>(*window_, name); }
    void Press(const char* name) { morvane::test::Press(*window_, name); }
    std::string ListPath() { return *outside_ / "list.txt"; }
    std::string MoveFolder() { return *outside_ / "moved"; }
    QStringList ListLines() {
        return QString::fromStdString(morvane::test::ReadFile(ListPath()))
            .split("\r\n", Qt::SkipEmptyParts);
    }
    bool Gone(const QString& name) {
        return !fs::exists(*pictures_ / name.toStdString()) &&
               fs::exists(fs::path(MoveFolder()) / name.toStdString());
    }
    bool Kept(const QString& name) { return fs::exists(*pictures_ / name.toStdString()); }
    bool Shown(int slot) {
        return !Control<morvane::PictureBox>(*window_, "Pic2", slot)->Picture().isNull();
    }
    // No pair on show: empty cells and no pictures.
    bool SlotsCleared() {
        return Cells().mid(3) == QStringList(6, QString()) && !Shown(0) && !Shown(1);
    }

    // Three copies of one picture and one unrelated picture.
    void WriteTriple() {
        for (const char* name : {"p.png", "q.png", "r.png"})
            morvane::test::WritePatternPicture(*pictures_ / name, 640, 480, 7);
        morvane::test::WritePatternPicture(*pictures_ / "u.png", 640, 480, 99);
    }
    void StartRun() {
        Text("Text1_0")->setText(QString::fromStdString(pictures_->path().string()));
        Press("Command1");
    }
    void StartAndWaitForPair() {
        StartRun();
        QTRY_VERIFY_WITH_TIMEOUT(window_->IsAwaitingDecision(), 30000);
    }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(morvane::InstallTranslations(*qApp));
        connect(&boxes_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages_ << box->windowTitle() + "|" + box->text() + "|" +
                                 QString::number(box->icon());
                box->accept();
            }
        });
        boxes_.start(10);
    }
    void init() {
        pictures_ = std::make_unique<TempDir>();
        outside_ = std::make_unique<TempDir>();
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(*outside_ / "data"));  // journals
        messages_.clear();
        exits_.clear();
        window_ = std::make_unique<morvane::PicView>();
        window_->SetExitHandler([this](int status) { exits_ << status; });
        Text("Text1_1")->setText(QString::fromStdString(ListPath()));
        Text("Text1_3")->setText(QString::fromStdString(MoveFolder() + "/"));
        window_->show();
    }
    void cleanup() {
        window_.reset();
        pictures_.reset();
        outside_.reset();
    }

    // One group of four copies. The threshold text out of range is corrected in its box;
    // identical copies still match, and the pair is in the list before it is shown. A
    // double-click on "Удалить" removes only the picture that was seen, Skip keeps the left
    // picture facing the next copy, and the boxes are read at each press: with none ticked
    // the file stays where it is. The menu's undo puts the removed copy back.
    void decisionsOnOneGroup() {
        WriteTriple();
        morvane::test::WritePatternPicture(*pictures_ / "s.png", 640, 480, 7);
        Text("Text2")->setText("250");
        StartAndWaitForPair();
        QCOMPARE(Text("Text2")->text(), QString("100"));
        const QString first = Cell(3), second = Cell(6);
        const QStringList copies = {"p.png", "q.png", "r.png", "s.png"};
        QVERIFY(copies.contains(first) && copies.contains(second) && first != second);
        const auto size = static_cast<std::int64_t>(fs::file_size(*pictures_ / "p.png"));
        const QString sizeText = QString::fromStdString(morvane::FormatSize(size));
        // The first head is still under review, so nothing counts as done yet.
        QCOMPARE(Cells(), (QStringList{"5", "", "3", first, sizeText, "640x480x24", second,
                                       sizeText, "640x480x24"}));
        QVERIFY(Shown(0) && Shown(1));
        QCOMPARE(ListLines().size(), 3);
        QCOMPARE(ListLines()[0], QString(morvane::kSeparatorLine));

        Press("Command4_0");  // the two clicks of a double-click
        Press("Command4_0");
        QVERIFY(Gone(first) && Cell(3) != first);
        QTRY_VERIFY(window_->IsAwaitingDecision());
        const QString third = Cell(3);
        QVERIFY(Kept(third) && Cell(6) == second);
        Press("Command4_4");
        QTRY_VERIFY(window_->IsAwaitingDecision() && Cell(6) != second);
        QCOMPARE(Cell(3), third);
        const QString fourth = Cell(6);
        morvane::test::Click(*window_, "Check1_0");  // unticks "В папку": no way chosen
        Press("Command4_2");
        QTRY_VERIFY(!window_->IsRunning());
        QVERIFY(Kept(second) && Kept(third) && Kept(fourth) && Kept("u.png"));
        QVERIFY(SlotsCleared());
        QCOMPARE(Cell(1), QString("5"));
        QCOMPARE(ListLines().size(), 5);
        QVERIFY(messages_.isEmpty() && exits_.isEmpty());
        Control<QAction>(*window_, "UndoLastRun")->trigger();  // the moved copy comes back
        QVERIFY(Kept(first) && messages_.size() == 1);
    }

    // The keep-one modes settle this group and every later one without further waits; Skip
    // all writes the whole list and removes nothing. The same pixels as PNG (smaller) and as
    // BMP give one group each.
    void settlingEveryGroup() {
        for (const auto& [button, gone] :
             {std::pair{"Command4_1", ".bmp"}, {"Command4_3", ".png"}, {"Command4_5", ""}}) {
            init();  // a fresh window and folder for each button
            for (const std::string stem : {"s7", "s8"}) {
                for (const std::string ending : {".png", ".bmp"})
                    morvane::test::WritePatternPicture(*pictures_ / (stem + ending), 320, 240,
                                                       stem[1]);
                QVERIFY(fs::file_size(*pictures_ / (stem + ".png")) <
                        fs::file_size(*pictures_ / (stem + ".bmp")));
            }
            StartAndWaitForPair();
            Press(button);
            QTRY_VERIFY(!window_->IsRunning());
            for (const QString name : {"s7.png", "s7.bmp", "s8.png", "s8.bmp"})
                QVERIFY2(name.endsWith(gone) && *gone ? Gone(name) : Kept(name), button);
            QCOMPARE(ListLines().size(), 6);
        }
    }

    // A missing folder does nothing, not even create the list. A list that takes no more
    // lines (a full disk) stops the run with a box and the program goes on; a list that
    // cannot be created ends the program after its box.
    void failures() {
        const std::pair<QString, QString> rows[] = {
            {"", ""},  // the folder is missing
            {"/dev/full", QString::fromStdString(morvane::WriteFailedMessage("/dev/full"))},
            {"/no/such/folder/list.txt", Said("Ошибка создания файла!", "Cannot create the file!") +
                                             "\n/no/such/folder/list.txt"}};
        for (const auto& [list, message] : rows) {
            init();
            WriteTriple();
            list.isEmpty() ? void(fs::remove_all(pictures_->path()))
                           : Text("Text1_1")->setText(list);
            StartRun();
            QTRY_VERIFY(!window_->IsRunning());
            QCOMPARE(messages_,
                     list.isEmpty() ? QStringList() : QStringList{"Morvane|" + message + "|3"});
            QVERIFY(list.startsWith("/no/") ? exits_.value(0) != 0 : exits_.isEmpty());
            QVERIFY(!fs::exists(ListPath()) && Cell(3) == "#");  // nothing was shown
        }
    }

    // Stop, closing the window or Exit during a wait: the third copy is neither written nor
    // shown and nothing is removed; Exit also ends the program at once.
    void endingDuringAWait() {
        for (const QString how : {"stop", "close", "exit"}) {
            init();
            WriteTriple();
            StartAndWaitForPair();
            how == "close" ? void(window_->close())
                           : Press(how == "stop" ? "Command1" : "Command2");
            QCOMPARE(exits_, how == "exit" ? QList<int>{0} : QList<int>{});
            QVERIFY(!window_->IsRunning());
            QTest::qWait(50);
            QCOMPARE(ListLines().size(), 3);
            QVERIFY(SlotsCleared());
            for (const char* name : {"p.png", "q.png", "r.png"}) QVERIFY(Kept(name));
        }
    }

    // Stop while the collection or the comparison, both off the window thread, is held: the
    // window answers, the cell keeps the last file read and no output file is touched; the
    // next press starts again from the beginning once the stopped run has wound down.
    void stopWhileTheRunWorks() {
        for (int i = 0; i <= 40; ++i)  // m40 is a copy of m0
            morvane::test::WritePatternPicture(*pictures_ / ("m" + std::to_string(i) + ".png"), 160,
                                               160, 1000 + i % 40);
        morvane::test::WriteTextFile(ListPath(), "earlier\r\n");
        // The collection waits after its fifth file, the comparison as it starts.
        const auto holdAt = std::make_shared<std::atomic<int>>(4);
        const auto comparing = std::make_shared<std::atomic<bool>>(false);
        const auto hold = [holdAt](int at) {
            for (int wait = 0; *holdAt == at && wait < 20000; ++wait)
                std::this_thread::sleep_for(1ms);
        };
        window_->SetFileHook(hold);
        window_->SetScanHook([hold, comparing] {
            *comparing = true;
            hold(-1);
        });
        StartRun();
        QTRY_VERIFY(Cell(0).endsWith(".png"));
        Press("Command1");
        *holdAt = -1;  // let the collection go; the next run holds at the comparison
        QVERIFY(!window_->IsRunning());
        const QString last = Cell(0);
        QTest::qWait(50);
        QCOMPARE(Cell(0), last);
        QCOMPARE(morvane::test::ReadFile(ListPath()), std::string("earlier\r\n"));
        StartRun();
        QTRY_VERIFY_WITH_TIMEOUT(*comparing, 60000);
        Press("Command1");
        *holdAt = -2;  // let everything go
        QVERIFY(!window_->IsRunning());
        StartAndWaitForPair();
        QVERIFY(Cell(0) == "41" && ListLines().size() == 3);
    }

    // With "Похожие" ticked a picture and its brightened copy make a pair, also when a name
    // is not UTF-8. A cell shows one line, cut with "…" before the file name, and its tool
    // tip the whole path. A file whose path is too long to open is counted after the walk.
    void similarRunGroupsTheBrightenedCopy() {
        const fs::path folder = *pictures_ / std::string(90, 'd');
        fs::create_directory(folder);
        morvane::test::WriteFlatPicture(folder / "a.png", 60, 40, 100, 100, 100);
        const std::string b = *pictures_ / "\xe4\n.png";
        morvane::test::WriteFlatPicture(b, 60, 40, 104, 104, 104);
        std::string deep = pictures_->path().string() + "/";
        while (deep.size() < 3900) deep += std::string(200, 'e') + "/";
        fs::create_directories(deep);
        const morvane::UniqueFd deepest(::open(deep.c_str(), O_RDONLY | O_DIRECTORY));
        const std::string tooLong = std::string(250, 'f') + ".png";
        morvane::UniqueFd(::openat(deepest.Get(), tooLong.c_str(), O_CREAT | O_WRONLY, 0600));
        morvane::test::Click(*window_, "Check2");
        StartAndWaitForPair();
        ::unlinkat(deepest.Get(), tooLong.c_str(), 0);
        QCOMPARE(Cell(0), Said("2; пропущено длинных путей: 1", "2; long paths skipped: 1"));
        QVERIFY(Cell(3).startsWith("…d") && Cell(3).endsWith("d/a.png") && messages_.isEmpty());
        QCOMPARE(Cell(6), QString("\uFFFD↵.png"));
        auto* cell = Control<QLabel>(*window_, "Label2", 3);
        QVERIFY(fs::exists(cell->toolTip().toStdString()) && cell->toolTip().endsWith("a.png"));
        QCOMPARE(Control<QLabel>(*window_, "Label2", 6)->toolTip(), QString::fromStdString(b));
        QVERIFY(Shown(0) && Shown(1));
    }

    // A reference folder's picture says so in its slot; a delete under it keeps it and says
    // why, and the other picture still goes. The folder box's menu takes the folder away.
    void referencePictureIsNeverRemoved() {
        const TempDir references;
        morvane::test::WritePatternPicture(references / "r.png", 640, 480, 7);
        morvane::test::WritePatternPicture(*pictures_ / "p.png", 640, 480, 7);
        auto* folders = window_->findChild<morvane::ReferenceFolders*>();
        folders->Add(references.path().string());
        StartAndWaitForPair();
        QCOMPARE(Cells().mid(5), (QStringList{Said("640x480x24 (эталон)", "640x480x24 (reference)"),
                                              "p.png", Cell(7), "640x480x24"}));
        Press("Command4_0");
        const std::string kept = references / "r.png";
        QCOMPARE(messages_,
                 QStringList{"Morvane|" +
                             QString::fromStdString(morvane::ReferenceKeptMessage(kept)) + "|3"});
        QTRY_VERIFY(window_->IsAwaitingDecision());
        Press("Command4_2");
        QTRY_VERIFY(!window_->IsRunning());
        QVERIFY(fs::exists(kept) && Gone("p.png"));
        QMenu menu;
        folders->FillMenu(menu);
        menu.actions().at(2)->trigger();  // the separator, the add entry, then the folder
        QVERIFY(folders->Folders().empty());
    }

    // A run without the fingerprint cache makes no cache file, a run with it fills the
    // file, and clearing empties it.
    void cacheMenu() {
        const QByteArray home = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(*outside_ / "cache"));
        for (const char* name : {"a.png", "b.png"})
            morvane::test::WritePatternPicture(*pictures_ / name, 60, 40, 3);
        const std::string database = morvane::DefaultCachePath();
        for (const bool on : {false, true}) {
            Control<QAction>(*window_, "CacheUse")->setChecked(on);
            StartAndWaitForPair();
            Press("Command1");  // Stop
            QCOMPARE(fs::exists(database), on);
        }
        const std::string root = fs::canonical(pictures_->path()).string() + "/";
        const auto cached = [&] {
            return morvane::FingerprintCache::Open(database, nullptr)->LoadFolder(root).size();
        };
        QCOMPARE(cached(), 2u);
        Control<QAction>(*window_, "CacheClear")->trigger();
        QVERIFY(cached() == 0 && messages_.isEmpty());
        qputenv("XDG_CACHE_HOME", home);
    }
};

QTEST_MAIN(RunTest)
#include "run_test.moc"
