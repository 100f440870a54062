// The "Похожие" box: the threshold follows the mode, and a run with the box ticked groups a
// picture with its brightened copy.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "support/temp_dir.h"
#include "ui/pic_view.h"
#include "window_test_support.h"

using morvane::PicView;
using morvane::test::Control;

class SimilarModeTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void thresholdFollowsTheBoxUnlessTyped() {
        PicView window;
        window.show();
        auto* threshold = Control<QLineEdit>(window, "Text2");
        for (const char* expected : {"88", "70"}) {
            morvane::test::Click(window, "Check2");
            QCOMPARE(threshold->text(), QString(expected));
            QCOMPARE(Control<QScrollBar>(window, "VScroll1")->value(),
                     101 - threshold->text().toInt());
        }
        threshold->setText("75");
        morvane::test::Click(window, "Check2");
        QCOMPARE(threshold->text(), QString("75"));
    }

    void tickedRunGroupsTheBrightenedCopy() {
        morvane::test::TempDir pictures, outside;
        for (const auto& [name, gain] : {std::pair{"a.png", 1.0}, {"b.png", 1.02}}) {
            std::vector<std::uint8_t> pixels;
            for (int y = 0; y < 120; ++y)
                for (int x = 0; x < 160; ++x)
                    for (const int value :
                         {40 + x, 200 - y, (x - 50) * (x - 50) + y * y < 900 ? 230 : 90})
                        pixels.push_back(static_cast<std::uint8_t>(std::min(255.0, value * gain)));
            morvane::test::WritePicture(pictures / name, 160, 120, 3, pixels);
        }
        PicView window;
        window.SetMessageHandler([](const QString& text) { QFAIL(qPrintable(text)); });
        Control<QLineEdit>(window, "Text1", 0)
            ->setText(QString::fromStdString(pictures.path().string()));
        Control<QLineEdit>(window, "Text1", 1)
            ->setText(QString::fromStdString(outside / "list.txt"));
        window.show();
        morvane::test::Click(window, "Check2");
        morvane::test::Press(window, "Command1");
        QTRY_VERIFY_WITH_TIMEOUT(window.IsAwaitingDecision(), 30000);
        QCOMPARE(Control<QLabel>(window, "Label2", 3)->text(), QString("a.png"));
        QCOMPARE(Control<QLabel>(window, "Label2", 6)->text(), QString("b.png"));
        morvane::test::Press(window, "Command1");  // Stop
    }
};

QTEST_MAIN(SimilarModeTest)
#include "similar_mode_test.moc"
