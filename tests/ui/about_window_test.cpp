// The About window: twips, the version text, the lines and their shadows, the hover
// highlight, closing by key and by click, the links and where the documentation is found.
#include <QtTest>

#include <QLabel>

#include "ui/about/about_window.h"
#include "ui/about/version.h"
#include "ui/twips.h"

namespace {
// Front lines are "L1_n", their shadows "L2_n".
QLabel* Line(QWidget& about, int index, int kind = 1) {
    return about.findChild<QLabel*>(QStringLiteral("L%1_%2").arg(kind).arg(index));
}

// How a line looks: its colour, then "_" when underlined.
QString Look(QWidget& about, int index, int kind = 1) {
    const QLabel* line = Line(about, index, kind);
    return line->palette().color(QPalette::WindowText).name() +
           (line->font().underline() ? "_" : "");
}

// The window shown, with an opener that records instead of opening.
struct Opened {
    QList<QUrl> urls;
    morvane::fAbout about{nullptr, [this](const QUrl& url) { urls.append(url); }};
    Opened() {
        about.show();
        if (!QTest::qWaitForWindowExposed(&about)) qWarning("About window not exposed");
    }
    // The mouse as the window system reports it: it reaches whatever lies under the point.
    void Mouse(int line, Qt::MouseButton button = Qt::NoButton) {
        const QPoint at = line < 0 ? QPoint(2, about.height() - 2)  // the background
                                   : Line(about, line)->geometry().center();
        button ? QTest::mouseClick(about.windowHandle(), button, {}, at)
               : QTest::mouseMove(about.windowHandle(), at);
    }
};
}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void twipsPerPixelAndVersionText() {
        const std::pair<double, int> rows[] = {
            {96, 15}, {120, 12}, {1440.0 / 14.5, 14}, {1440.0 / 15.5, 16}, {0, 15}, {100000, 1}};
        for (const auto& [dpi, twips] : rows) QCOMPARE(morvane::TwipsPerPixelFor(dpi), twips);
        QCOMPARE(morvane::VersionText(1, 2, 3), QStringLiteral("01.02.0003"));
        QCOMPARE(morvane::VersionText(123, 456, 12345), QStringLiteral("23.56.2345"));
    }

    // Each line has a grey copy of its text behind it; the line under the mouse alone lights
    // up, its shadow staying grey.
    void linesShadowsAndHover() {
        Opened opened;
        morvane::fAbout& about = opened.about;
        QCOMPARE(about.size(), QSize(494, 370));  // 7410 x 5550 twips at 96 DPI offscreen
        for (int i = 0; i < 5; ++i) QCOMPARE(Line(about, i, 2)->text(), Line(about, i)->text());
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе Morvane_KT"));
        const QStringList notice = Line(about, 0)->text().split(u'\n');
        QVERIFY(notice.size() == 2 &&
                notice[0].endsWith(QString::number(QDate::currentDate().year())));
        QCOMPARE(Line(about, 4)->text(),
                 QStringLiteral("Morvane_KT    v.") + morvane::VersionText());
        for (const int line : {2, 3, -1}) {
            opened.Mouse(line);
            QCOMPARE(about.HighlightedLine(), line);
            for (int i = 2; i <= 3; ++i)
                QCOMPARE(Look(about, i) + Look(about, i, 2),
                         i == line ? "#00ff00_#404040_" : "#ffffff#404040");
        }
    }

    // Escape or a left click closes the window; a click on a documentation line also opens
    // what it names. Escape with Shift or Ctrl and the right button do nothing.
    void escapeAndClicksCloseAndOnlyTheDocumentationOpens() {
        {
            Opened opened;
            for (const auto modifier : {Qt::ShiftModifier, Qt::ControlModifier})
                QTest::keyClick(&opened.about, Qt::Key_Escape, modifier);
            opened.Mouse(2, Qt::RightButton);
            QVERIFY(opened.about.isVisible() && opened.urls.isEmpty());
        }
        for (const int line : {-1, 0, 1, 2, 3, 4}) {  // -1: Escape
            Opened opened;
            line < 0 ? QTest::keyClick(&opened.about, Qt::Key_Escape)
                     : opened.Mouse(line, Qt::LeftButton);
            QVERIFY(!opened.about.isVisible());
            QCOMPARE(opened.urls.size(), line == 2 || line == 3 ? 1 : 0);
            if (opened.urls.isEmpty()) continue;
            const QString path = opened.urls[0].toLocalFile();
            QCOMPARE(QDir::toNativeSeparators(path), Line(opened.about, line)->text());
            QVERIFY(line == 2 ? QFileInfo(path).isFile() : QFileInfo(path).isDir());
        }
    }

    // The documentation is the installed copy, else the checkout's; never a folder without
    // the README.
    void documentationIsFoundOrNotNamed() {
        QTemporaryDir root;
        const QDir dir(root.path());
        const QString installed = dir.filePath("usr/share/doc/morvane"),
                      source = dir.filePath("src");
        const auto found = [&](const QString& from) {
            return morvane::DocumentationFolderFor(dir.filePath("usr/bin"), from);
        };
        // A folder named README.md is no README.
        QVERIFY(dir.mkpath(installed) && dir.mkpath(source + "/README.md"));
        QCOMPARE(found(source), QString());
        QVERIFY(QFile(installed + "/README.md").open(QIODevice::WriteOnly));
        QVERIFY(found(source) == installed && found(QString()) == installed);
        QVERIFY(QFile::remove(installed + "/README.md") && QDir(source).rmdir("README.md"));
        QVERIFY(QFile(source + "/README.md").open(QIODevice::WriteOnly));
        QVERIFY(found(source) == source && found(QString()).isEmpty());  // from the build folder
        const auto lines = morvane::AboutLineTexts(QDate(2026, 1, 1), QString());
        QCOMPARE(lines[2], QStringLiteral("Документация не установлена"));
        QVERIFY(!QFileInfo::exists(lines[3]));
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
