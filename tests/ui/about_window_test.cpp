// SPDX-License-Identifier: GPL-3.0-or-later
// The About window: twips, the version text, closing by key and by click, and the links.
#include <QtTest>

#include <QLabel>

#include "ui/about/about_window.h"
#include "ui/about/version.h"
#include "ui/twips.h"

namespace {
QLabel* Line(QWidget& about, int index) {
    return about.findChild<QLabel*>(QStringLiteral("L1_%1").arg(index));
}

// The window shown, with an opener that records instead of opening.
struct Opened {
    QList<QUrl> urls;
    morvane::fAbout about{nullptr, [this](const QUrl& url) { urls.append(url); }};
    Opened() {
        about.show();
        if (!QTest::qWaitForWindowExposed(&about)) qWarning("About window not exposed");
    }
    // A click as the window system reports it: it reaches whatever lies under the point.
    void Click(int line, Qt::MouseButton button) {
        QTest::mouseClick(about.windowHandle(), button, {}, Line(about, line)->geometry().center());
    }
};
}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    // Odd screens round to the nearest twip; no screen or an absurd one stays usable.
    void twipsPerPixelAndVersionText() {
        const std::pair<double, int> rows[] = {
            {96, 15}, {1440.0 / 14.5, 14}, {1440.0 / 15.5, 16}, {0, 15}, {100000, 1}};
        for (const auto& [dpi, twips] : rows) QCOMPARE(morvane::TwipsPerPixelFor(dpi), twips);
        QCOMPARE(morvane::VersionText(123, 456, 12345), QStringLiteral("23.56.2345"));
    }

    // Escape or a left click on a line closes the window; a click on a documentation line
    // also opens what it names, which exists. Escape with Shift or Ctrl, also when that is
    // let go before Escape, and the right button do nothing.
    void escapeAndClicksCloseAndOnlyTheDocumentationOpens() {
        {
            Opened opened;
            QWindow* window = opened.about.windowHandle();
            for (const auto modifier : {Qt::ShiftModifier, Qt::ControlModifier}) {
                QTest::keyClick(window, Qt::Key_Escape, modifier);
                QTest::keyPress(window, Qt::Key_Escape, modifier);
                QTest::keyRelease(window, Qt::Key_Escape);  // the modifier let go first
            }
            opened.Click(2, Qt::RightButton);
            QVERIFY(opened.about.isVisible() && opened.urls.isEmpty());
        }
        for (const int line : {-1, 0, 2, 3}) {  // -1: Escape
            Opened opened;
            line < 0 ? QTest::keyClick(&opened.about, Qt::Key_Escape)
                     : opened.Click(line, Qt::LeftButton);
            QVERIFY(!opened.about.isVisible());
            QCOMPARE(opened.urls.size(), line == 2 || line == 3 ? 1 : 0);
            if (opened.urls.isEmpty()) continue;
            const QString path = opened.urls[0].toLocalFile();
            QCOMPARE(QDir::toNativeSeparators(path), Line(opened.about, line)->text());
            QVERIFY(line == 2 ? QFileInfo(path).isFile() : QFileInfo(path).isDir());
        }
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
