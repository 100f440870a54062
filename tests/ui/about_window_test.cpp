// The About window: twips, the version text, the lines and their shadows, the hover
// highlight, closing by key and by click, the links and where the documentation is found.
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

// The window shown, with an opener that records instead of opening.
struct Opened {
    QList<QUrl> urls;
    fAbout about{nullptr, [this](const QUrl& url) { urls.append(url); }};
    Opened() {
        about.show();
        if (!QTest::qWaitForWindowExposed(&about)) qWarning("About window not exposed");
    }
    // The mouse as the window system reports it: it reaches whatever lies under the point.
    void ClickOn(int line, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(about.windowHandle(), button, {},
                          Line(about, "L1", line)->geometry().center());
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
        QCOMPARE(morvane::TwipsPerPixel(), 15);  // the offscreen screen has 96 DPI
        QCOMPARE(morvane::VersionText(1, 2, 3), QStringLiteral("01.02.0003"));
        QCOMPARE(morvane::VersionText(123, 456, 12345), QStringLiteral("23.56.2345"));
    }

    void linesAndShadowsCarryTheirTexts() {
        fAbout about(nullptr, [](const QUrl&) {});
        QCOMPARE(about.size(), QSize(494, 370));  // 7410 x 5550 twips
        for (int i = 0; i < 5; ++i) {
            QLabel *front = Line(about, "L1", i), *shadow = Line(about, "L2", i);
            QVERIFY(shadow->text() == front->text() && TextColour(shadow) == QColor(0x404040));
            QCOMPARE(shadow->geometry(), front->geometry().translated(-1, -1));
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
        QCOMPARE(TextColour(Line(about, "L2", 2)), QColor(0x404040));  // the shadow stays grey
        QTest::mouseMove(about.windowHandle(), Line(about, "L1", 3)->geometry().center());
        QVERIFY(Look(about, 2) == "#ffffff" && Look(about, 3) == "#00ff00__");
        QTest::mouseMove(about.windowHandle(), QPoint(2, about.height() - 2));  // the background
        QVERIFY(Look(about, 3) == "#ffffff" && about.HighlightedLine() == -1);
    }

    // Escape or a left click closes the window; a click on a documentation line also opens
    // what it names. Escape with Shift or Ctrl and the right button do nothing.
    void escapeAndClicksCloseAndOnlyTheDocumentationOpens() {
        {
            Opened opened;
            for (const auto modifier : {Qt::ShiftModifier, Qt::ControlModifier})
                QTest::keyClick(&opened.about, Qt::Key_Escape, modifier);
            opened.ClickOn(2, Qt::RightButton);
            QVERIFY(opened.about.isVisible() && opened.urls.isEmpty());
        }
        for (const int line : {-1, 0, 1, 2, 3, 4}) {  // -1: Escape
            Opened opened;
            line < 0 ? QTest::keyClick(&opened.about, Qt::Key_Escape) : opened.ClickOn(line);
            QVERIFY(!opened.about.isVisible());
            QCOMPARE(opened.urls.size(), line == 2 || line == 3 ? 1 : 0);
            if (opened.urls.isEmpty()) continue;
            const QString path = opened.urls[0].toLocalFile();
            QCOMPARE(QDir::toNativeSeparators(path), Line(opened.about, "L1", line)->text());
            QVERIFY(line == 2 ? QFileInfo(path).isFile() : QFileInfo(path).isDir());
        }
    }

    // The documentation is the installed copy, else the checkout's; never a folder without
    // the README.
    void documentationIsFoundOrNotNamed() {
        QTemporaryDir root;
        const QDir dir(root.path());
        const QString installed = dir.filePath("usr/share/doc/morvane");
        const QString source = dir.filePath("src"), program = dir.filePath("usr/bin");
        for (const QString& folder : {installed, program, source + "/README.md"})
            QVERIFY(dir.mkpath(folder));  // a folder named README.md is no README
        const auto found = [&](const QString& from) {
            return morvane::DocumentationFolderFor(program, from);
        };
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
