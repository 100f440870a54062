// The About window: layout, hover highlight, closing by key and by click, the links and the
// version text.
#include <QtTest>

#include <QLabel>

#include "ui/about/about_window.h"
#include "ui/about/version.h"
#include "ui/twips.h"

using morvane::fAbout;

namespace {
QLabel* Line(QWidget& about, const char* kind, int index) {
    return about.findChild<QLabel*>(QStringLiteral("%1_%2").arg(kind).arg(index));
}

QColor TextColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// How line `index` looks: its colour, then "_" for each underlined copy (front, shadow).
QString Look(QWidget& about, int index) {
    const auto underline = [&](const char* kind) {
        return Line(about, kind, index)->font().underline() ? "_" : "";
    };
    return TextColour(Line(about, "L1", index)).name() + underline("L1") + underline("L2");
}

// The mouse as the window system reports it: it reaches whichever control lies under the point.
void ClickOn(QWidget& about, int line, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(about.windowHandle(), button, {},
                      Line(about, "L1", line)->geometry().center());
}

// The window shown, with an opener that records instead of opening.
struct Opened {
    QList<QUrl> urls;
    fAbout about{nullptr, [this](const QUrl& url) { urls.append(url); }};
    Opened() {
        about.show();
        if (!QTest::qWaitForWindowExposed(&about)) qWarning("About window not exposed");
    }
};
}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void twipsPerPixelRoundsHalfToEven() {
        const std::pair<double, int> rows[] = {
            {96, 15}, {120, 12}, {1440.0 / 14.5, 14}, {1440.0 / 15.5, 16}, {0, 15}, {100000, 1}};
        for (const auto& [dpi, twips] : rows) QCOMPARE(morvane::TwipsPerPixelFor(dpi), twips);
        QCOMPARE(morvane::TwipsPerPixel(), 15);  // the offscreen screen has 96 DPI
    }

    void linesAndShadowsArePlacedWithTheirTexts() {
        fAbout about(nullptr, [](const QUrl&) {});
        QCOMPARE(about.size(), QSize(494, 370));  // 7410 x 5550 twips
        const int topPixels[] = {6, 77, 149, 220, 292};
        for (int i = 0; i < 5; ++i) {
            QLabel* front = Line(about, "L1", i);
            QLabel* shadow = Line(about, "L2", i);
            QCOMPARE(front->geometry(), QRect(6, topPixels[i], 482, 71));
            QCOMPARE(shadow->text(), front->text());
            QCOMPARE(shadow->geometry(), front->geometry().translated(-1, -1));
            QCOMPARE(TextColour(shadow), QColor(0x40, 0x40, 0x40));
            QVERIFY(about.children().indexOf(front) > about.children().indexOf(shadow));
        }
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе Morvane_KT"));
        const QStringList notice = Line(about, "L1", 0)->text().split(u'\n');
        QVERIFY(notice.size() == 2 &&
                notice[0].endsWith(QString::number(QDate::currentDate().year())));
        QCOMPARE(Line(about, "L1", 4)->text(),
                 QStringLiteral("Morvane_KT    v.") + morvane::VersionText());
    }

    void hoverLightsOneLineAtATime() {
        Opened opened;
        fAbout& about = opened.about;
        QTest::mouseMove(about.windowHandle(), Line(about, "L1", 2)->geometry().center());
        QVERIFY(Look(about, 2) == "#00ff00__" && about.HighlightedLine() == 2);
        QCOMPARE(TextColour(Line(about, "L2", 2)), QColor(0x40, 0x40, 0x40));  // shadow stays grey
        QTest::mouseMove(about.windowHandle(), Line(about, "L1", 3)->geometry().center());
        QVERIFY(Look(about, 2) == "#ffffff" && Look(about, 3) == "#00ff00__");
        QCOMPARE(about.HighlightedLine(), 3);
        QTest::mouseMove(about.windowHandle(), QPoint(2, about.height() - 2));  // the background
        QVERIFY(Look(about, 3) == "#ffffff" && about.HighlightedLine() == -1);
    }

    void escapeClosesOnlyWithoutModifiers() {
        Opened opened;
        for (const auto modifier : {Qt::ShiftModifier, Qt::ControlModifier}) {
            QTest::keyClick(&opened.about, Qt::Key_Escape, modifier);
            QVERIFY(opened.about.isVisible());
        }
        QTest::keyClick(&opened.about, Qt::Key_Escape);
        QVERIFY(!opened.about.isVisible() && opened.urls.isEmpty());
    }

    // A click closes the window; on the documentation line it also opens it. The right button
    // is no click.
    void clickClosesAndOpensOnlyTheDocumentation() {
        for (const int line : {0, 1, 4}) {
            Opened opened;
            ClickOn(opened.about, line);
            QVERIFY(!opened.about.isVisible() && opened.urls.isEmpty());
        }
        Opened opened;
        ClickOn(opened.about, 2, Qt::RightButton);
        QVERIFY(opened.about.isVisible() && opened.urls.isEmpty());
        ClickOn(opened.about, 2);
        QVERIFY(!opened.about.isVisible() && opened.urls.size() == 1);
        QCOMPARE(QDir::toNativeSeparators(opened.urls[0].toLocalFile()),
                 Line(opened.about, "L1", 2)->text());
        QVERIFY(QFileInfo(opened.urls[0].toLocalFile()).isFile());
    }

    // The documentation is the installed copy, else the checkout's; never a folder without
    // the README.
    void documentationIsFoundOrNotNamed() {
        QTemporaryDir root;
        const QDir dir(root.path());
        const QString installed = dir.filePath("usr/share/doc/morvane");
        const QString source = dir.filePath("src");
        const QString program = dir.filePath("usr/bin");
        for (const QString& folder : {installed, source, program}) QVERIFY(dir.mkpath(folder));
        const auto folderFor = [&](const QString& sourceFolder) {
            return morvane::DocumentationFolderFor(program, sourceFolder);
        };
        QVERIFY(dir.mkpath("src/README.md"));  // a folder is no README
        QCOMPARE(folderFor(source), QString());
        QVERIFY(QFile(installed + "/README.md").open(QIODevice::WriteOnly));
        QCOMPARE(folderFor(source), installed);
        QCOMPARE(folderFor(QString()), installed);
        QVERIFY(QFile::remove(installed + "/README.md") && QDir(source).rmdir("README.md"));
        QVERIFY(QFile(source + "/README.md").open(QIODevice::WriteOnly));
        QCOMPARE(folderFor(source), source);  // run from the build folder
        QCOMPARE(folderFor(QString()), QString());
        const auto lines = morvane::AboutLineTexts(QDate(2026, 1, 1), QString());
        QCOMPARE(lines[2], QStringLiteral("Документация не установлена"));
        QVERIFY(!QFileInfo::exists(lines[3]));
    }

    void versionText() {
        QCOMPARE(morvane::VersionText(1, 2, 3), QStringLiteral("01.02.0003"));
        QCOMPARE(morvane::VersionText(1, 2, 12345), QStringLiteral("01.02.2345"));
        QCOMPARE(morvane::VersionText(123, 456, 7), QStringLiteral("23.56.0007"));
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
