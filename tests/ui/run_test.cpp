// Whole runs from the main window on generated folders, driven by clicks: the counters, the
// slots, the decisions, Stop, Exit, closing the window and the failed-output message.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "engine/output_files.h"
#include "support/temp_dir.h"
#include "ui/pic_view.h"
#include "ui/picture_display.h"
#include "window_test_support.h"

namespace fs = std::filesystem;
using morvane::PicView;
using morvane::test::Control;
using morvane::test::TempDir;

class RunTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TempDir> pictures_, outside_;
    std::unique_ptr<PicView> window_;
    QStringList messages_;
    QList<int> exits_;

    QString Cell(int index) { return Control<QLabel>(*window_, "Label2", index)->text(); }
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

    // Three copies of one picture and one unrelated picture.
    void WriteTriple() {
        for (const char* name : {"p.png", "q.png", "r.png"})
            morvane::test::WritePatternPicture(*pictures_ / name, 640, 480, 7);
        morvane::test::WritePatternPicture(*pictures_ / "u.png", 640, 480, 99);
    }
    void WriteMany(int count) {
        for (int i = 0; i < count; ++i)
            morvane::test::WritePatternPicture(*pictures_ / ("m" + std::to_string(i) + ".png"), 160,
                                               160, 1000 + i);
    }
    void StartRun() {
        Text("Text1_0")->setText(QString::fromStdString(pictures_->path().string()));
        Press("Command1");
    }
    void StartAndWaitForPair() {
        StartRun();
        QTRY_VERIFY_WITH_TIMEOUT(window_->IsAwaitingDecision(), 30000);
    }
    const QImage& Shown(int slot) {
        return Control<morvane::PictureBox>(*window_, "Pic2", slot)->Picture();
    }

  private Q_SLOTS:
    void init() {
        pictures_ = std::make_unique<TempDir>();
        outside_ = std::make_unique<TempDir>();
        messages_.clear();
        exits_.clear();
        window_ = std::make_unique<PicView>();
        window_->SetMessageHandler([this](const QString& text) { messages_ << text; });
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

    // The threshold text out of range is corrected in its box; identical copies still match.
    void firstPairThenSkipThenDeleteLeft() {
        WriteTriple();
        Text("Text2")->setText("250");
        StartAndWaitForPair();
        QCOMPARE(Text("Text2")->text(), QString("100"));
        QCOMPARE(Cell(0), QString("4"));
        QCOMPARE(Cell(1), QString());  // the first head is still under review
        QCOMPARE(Cell(2), QString("2"));
        const std::set<QString> copies = {"p.png", "q.png", "r.png"};
        QVERIFY(copies.count(Cell(3)) && copies.count(Cell(6)) && Cell(3) != Cell(6));
        const auto size = static_cast<std::int64_t>(fs::file_size(*pictures_ / "p.png"));
        QCOMPARE(Cell(4), QString::fromStdString(morvane::FormatSize(size)));
        QCOMPARE(Cell(7), Cell(4));
        QCOMPARE(Cell(5), QString("640x480x24"));
        QCOMPARE(Cell(8), QString("640x480x24"));
        QVERIFY(!Shown(0).isNull() && !Shown(1).isNull());
        // The pair is in the list before it is shown.
        QCOMPARE(ListLines().size(), 3);
        QCOMPARE(ListLines()[0], QString(morvane::kSeparatorLine));

        // Skip keeps the left picture facing the third copy; deleting the left one then ends
        // the group and the run.
        const QString left = Cell(3), right = Cell(6);
        Press("Command4_4");
        QTRY_VERIFY(window_->IsAwaitingDecision() && Cell(6) != right);
        QCOMPARE(Cell(3), left);
        const QString third = Cell(6);
        Press("Command4_0");
        QTRY_VERIFY(!window_->IsRunning());
        QVERIFY(Gone(left));
        QVERIFY(Kept(right) && Kept(third) && Kept("u.png"));
        for (int i = 3; i <= 8; ++i) QCOMPARE(Cell(i), QString());
        QVERIFY(Shown(0).isNull() && Shown(1).isNull());
        QCOMPARE(Cell(1), QString("4"));
        QCOMPARE(ListLines().size(), 4);
        QVERIFY(messages_.isEmpty() && exits_.isEmpty());
    }

    // A double-click on "Удалить" removes only the picture that was seen: the third copy
    // brought in by the first press is not removed by the second. The boxes are read at each
    // press: with none ticked the file stays where it is.
    void doubleClickRemovesOnlyTheSeenPicture() {
        WriteTriple();
        StartAndWaitForPair();
        const QString first = Cell(3), second = Cell(6);
        Press("Command4_0");  // the two clicks of a double-click
        Press("Command4_0");
        QVERIFY(Gone(first) && Cell(3) != first);
        QTRY_VERIFY(window_->IsAwaitingDecision());
        const QString third = Cell(3);
        QVERIFY(Kept(third));
        QCOMPARE(Cell(6), second);
        morvane::test::Click(*window_, "Check1_0");  // unticks "В папку": no way chosen
        Press("Command4_2");
        QTRY_VERIFY(!window_->IsRunning());
        QVERIFY(Kept(second) && Kept(third));
    }

    void skipAllWritesTheWholeListAndRemovesNothing() {
        WriteTriple();
        StartAndWaitForPair();
        Press("Command4_5");
        QTRY_VERIFY(!window_->IsRunning());
        QCOMPARE(ListLines().size(), 4);
        for (const char* name : {"p.png", "q.png", "r.png", "u.png"}) QVERIFY(Kept(name));
    }

    // The keep-one modes settle this group and every later one without further waits. The
    // same pixels as PNG (smaller) and as BMP give one group each.
    void keepOneModes_data() {
        QTest::addColumn<QStringList>("buttonKeptGone");
        QTest::newRow("delete all larger") << QStringList{"Command4_1", ".png", ".bmp"};
        QTest::newRow("delete all smaller") << QStringList{"Command4_3", ".bmp", ".png"};
    }
    void keepOneModes() {
        QFETCH(QStringList, buttonKeptGone);
        const QString kept = buttonKeptGone[1], gone = buttonKeptGone[2];
        for (const std::string stem : {"s7", "s8"}) {
            for (const std::string ending : {".png", ".bmp"})
                morvane::test::WritePatternPicture(*pictures_ / (stem + ending), 320, 240, stem[1]);
            QVERIFY(fs::file_size(*pictures_ / (stem + ".png")) <
                    fs::file_size(*pictures_ / (stem + ".bmp")));
        }
        StartAndWaitForPair();
        Press(buttonKeptGone[0].toLatin1().constData());
        QTRY_VERIFY(!window_->IsRunning());
        QVERIFY(Kept("s7" + kept) && Kept("s8" + kept));
        QVERIFY(Gone("s7" + gone) && Gone("s8" + gone));
        QCOMPARE(ListLines().size(), 6);
    }

    // A list that takes no more lines (a full disk) stops the run with a message; the
    // program goes on.
    void failedWriteStopsTheRunWithAMessage() {
        WriteTriple();
        Text("Text1_1")->setText("/dev/full");
        StartRun();
        QTRY_VERIFY(!window_->IsRunning());
        QCOMPARE(messages_,
                 QStringList{QString::fromStdString(morvane::WriteFailedMessage("/dev/full"))});
        QVERIFY(exits_.isEmpty());
        QCOMPARE(Cell(3), QString("#"));  // nothing was shown
    }

    // Stop, closing the window or Exit during a wait: the third copy is neither written nor
    // shown and nothing is removed; Exit also ends the program at once.
    void endingDuringAWait_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"stop", "close", "exit"}) QTest::newRow(how) << QString(how);
    }
    void endingDuringAWait() {
        QFETCH(QString, how);
        WriteTriple();
        StartAndWaitForPair();
        how == "close" ? void(window_->close()) : Press(how == "stop" ? "Command1" : "Command2");
        QCOMPARE(exits_, how == "exit" ? QList<int>{0} : QList<int>{});
        QVERIFY(!window_->IsRunning());
        QTest::qWait(50);
        QCOMPARE(ListLines().size(), 3);
        for (int i = 3; i <= 8; ++i) QCOMPARE(Cell(i), QString());
        QVERIFY(Shown(0).isNull() && Shown(1).isNull());
        for (const char* name : {"p.png", "q.png", "r.png"}) QVERIFY(Kept(name));
    }

    // Stop during collection: the cell keeps the last file read, no output file is touched,
    // and the next press starts again from the beginning.
    void stopDuringCollection() {
        WriteMany(40);
        morvane::test::WriteTextFile(ListPath(), "earlier\r\n");
        // The collection waits after its fifth file until Stop has been pressed.
        const auto pressed = std::make_shared<std::atomic<bool>>(false);
        window_->SetFileHook([pressed](int index) {
            for (int wait = 0; index == 4 && !*pressed && wait < 20000; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        StartRun();
        QTRY_VERIFY(Cell(0).endsWith(".png"));
        Press("Command1");
        *pressed = true;
        QVERIFY(!window_->IsRunning());
        const QString last = Cell(0);
        QTest::qWait(50);
        QCOMPARE(Cell(0), last);
        QVERIFY(last.endsWith(".png"));
        QCOMPARE(QString::fromStdString(morvane::test::ReadFile(ListPath())),
                 QString("earlier\r\n"));
        Press("Command1");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->IsRunning(), 60000);
        QCOMPARE(Cell(0), QString("40"));
        QCOMPARE(Cell(1), QString("40"));
        QCOMPARE(morvane::test::ReadFile(ListPath()), std::string());
    }

    // While the comparison is held the window answers, Stop ends the run, and the next run
    // starts once the stopped one has wound down.
    void windowAnswersDuringTheComparison() {
        WriteTriple();
        const auto held = std::make_shared<std::atomic<int>>(0);  // 1 holding, 2 let go
        const auto release = std::make_shared<std::atomic<bool>>(false);
        window_->SetScanHook([held, release] {
            *held = 1;
            for (int wait = 0; !*release && wait < 10000; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            *held = 2;
        });
        StartRun();
        QTRY_VERIFY(*held != 0);
        bool answered = false;
        QTimer::singleShot(0, [&answered] { answered = true; });
        QTRY_VERIFY(answered);
        QCOMPARE(held->load(), 1);
        Press("Command1");
        QVERIFY(!window_->IsRunning());
        *release = true;
        StartAndWaitForPair();
        QCOMPARE(ListLines().size(), 3);
    }

    // The pair's pictures are decoded off the window thread: its cells are filled while the
    // pictures are still on their way, and after Stop they never appear.
    void picturesArriveAfterTheCellsAndNotAfterStop() {
        for (const char* name : {"a.png", "b.png"})
            morvane::test::WritePatternPicture(*pictures_ / name, 2000, 1500, 7);
        bool filled = false, picturesLater = false;
        QTimer poll;  // looks at each turn of the event loop
        connect(&poll, &QTimer::timeout, [&] {
            if (filled || !Cell(3).endsWith(".png")) return;
            filled = true;
            picturesLater = Shown(0).isNull() && Shown(1).isNull();
        });
        poll.start(0);
        StartRun();
        QTRY_VERIFY_WITH_TIMEOUT(filled, 30000);
        QVERIFY(picturesLater);
        Press("Command1");
        QTest::qWait(500);
        QVERIFY(Shown(0).isNull() && Shown(1).isNull());
    }

    // A path too long for its cell is shown whole in the cell's tool tip, until Stop.
    void longPathGetsAToolTip() {
        const fs::path folder = *pictures_ / std::string(90, 'd');
        fs::create_directory(folder);
        for (const char* name : {"x.png", "y.png"})
            morvane::test::WritePatternPicture(folder / name, 64, 64, 5);
        StartAndWaitForPair();
        auto* cell = Control<QLabel>(*window_, "Label2", 3);
        QVERIFY(fs::exists(cell->toolTip().toStdString()));
        QVERIFY(cell->toolTip().endsWith(Cell(3)) && Cell(3).startsWith("ddd"));
        QCOMPARE(Control<QLabel>(*window_, "Label2", 4)->toolTip(), QString());
        Press("Command1");
        QCOMPARE(cell->toolTip(), QString());
    }

    // A missing folder does nothing; an empty one then leaves an empty list.
    void missingThenEmptySearchFolder() {
        Text("Text1_0")->setText(QString::fromStdString(*outside_ / "nowhere"));
        Press("Command1");
        QTRY_VERIFY(!window_->IsRunning());
        QCOMPARE(Cell(0), QString());
        QVERIFY(!fs::exists(ListPath()));
        StartRun();
        QTRY_VERIFY(!window_->IsRunning());
        QCOMPARE(Cell(0), QString("0"));
        QVERIFY(fs::exists(ListPath()));
        QCOMPARE(morvane::test::ReadFile(ListPath()), std::string());
    }

    // A list that cannot be created: a critical box titled with the program's name, then the
    // program ends.
    void listThatCannotBeCreatedEndsTheProgram() {
        auto window = std::make_unique<PicView>();
        window->SetExitHandler([this](int status) { exits_ << status; });
        Control<QLineEdit>(*window, "Text1_0")
            ->setText(QString::fromStdString(pictures_->path().string()));
        Control<QLineEdit>(*window, "Text1_1")->setText("/no/such/folder/list.txt");
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                icon = box->icon();
                box->accept();
            }
        });
        poll.start(10);
        morvane::test::Press(*window, "Command1");
        QTRY_VERIFY(!exits_.isEmpty());
        QVERIFY(exits_[0] != 0 && !window->IsRunning());
        QCOMPARE(title, QString("Morvane"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(text, QString("Ошибка создания файла!\n/no/such/folder/list.txt"));
    }
};

QTEST_MAIN(RunTest)
#include "run_test.moc"
