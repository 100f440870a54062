// The fingerprint cache in the window: both context menus offer it, a run without it makes
// no cache file, a run with it fills the file, and clearing empties it.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "run/fingerprint_cache.h"
#include "support/temp_dir.h"
#include "ui/pic_view.h"
#include "window_test_support.h"

using morvane::test::Control;

class CacheMenuTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void menuTurnsTheCacheOffAndClearsIt() {
        morvane::test::TempDir pictures, outside;
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(outside / "cache"));
        for (const char* name : {"a.png", "b.png"})
            morvane::test::WritePatternPicture(pictures / name, 60, 40, 3);
        morvane::PicView window;
        window.SetMessageHandler([](const QString& text) { QFAIL(qPrintable(text)); });
        Control<QLineEdit>(window, "Text1", 0)
            ->setText(QString::fromStdString(pictures.path().string()));
        Control<QLineEdit>(window, "Text1", 1)->setText(QString::fromStdString(outside / "l.txt"));
        window.show();
        auto* use = Control<QAction>(window, "CacheUse");
        auto* clear = Control<QAction>(window, "CacheClear");
        for (QWidget* widget : {static_cast<QWidget*>(&window), Control<QWidget>(window, "Check2")})
            QCOMPARE(widget->actions(), (QList<QAction*>{use, clear}));

        const std::string database = morvane::DefaultCachePath();
        const std::string root = std::filesystem::canonical(pictures.path()).string() + "/";
        for (const bool on : {false, true}) {
            use->setChecked(on);
            morvane::test::Press(window, "Command1");
            QTRY_VERIFY_WITH_TIMEOUT(window.IsAwaitingDecision(), 30000);
            morvane::test::Press(window, "Command1");  // Stop
            QCOMPARE(std::filesystem::exists(database), on);
        }
        QCOMPARE(morvane::FingerprintCache::Open(database, nullptr)->LoadFolder(root).size(), 2u);
        clear->trigger();
        QVERIFY(morvane::FingerprintCache::Open(database, nullptr)->LoadFolder(root).empty());
    }
};

QTEST_MAIN(CacheMenuTest)
#include "cache_menu_test.moc"
