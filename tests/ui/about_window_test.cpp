// The About window: layout, hover highlight, closing by key and by click, the links and the
// version text.
#include <QtTest>

#include <QLabel>
#include <QPointer>

#include "about/about_window.h"
#include "about/version.h"
#include "ui/twips.h"

using morvane::fAbout;

namespace {
QLabel* Line(QWidget& about, const char* kind, int index) {
    return about.findChild<QLabel*>(QStringLiteral("%1_%2").arg(kind).arg(index));
}

QColor TextColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

bool Lit(QWidget& about, int index) {
    return TextColour(Line(about, "L1", index)) == QColor(0, 255, 0) &&
           Line(about, "L1", index)->font().underline() &&
           Line(about, "L2", index)->font().underline();
}

bool Plain(QWidget& about, int index) {
    return TextColour(Line(about, "L1", index)) == QColor(Qt::white) &&
           !Line(about, "L1", index)->font().underline() &&
           !Line(about, "L2", index)->font().underline();
}

// The mouse as the window system reports it: moves and clicks reach whichever control lies
// under the point.
void MoveTo(QWidget& about, QPoint point) {
    QTest::mouseMove(about.windowHandle(), point);
}
void ClickOn(QWidget& about, const QLabel* line, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(about.windowHandle(), button, {}, line->geometry().center());
}

// The window shown, with an opener that records instead of opening.
struct Opened {
    QList<QUrl> urls;
    std::unique_ptr<fAbout> about =
        std::make_unique<fAbout>(nullptr, [this](const QUrl& url) { urls.append(url); });
    Opened() {
        about->show();
        if (!QTest::qWaitForWindowExposed(about.get())) qWarning("About window not exposed");
    }
};
}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void twipsPerPixelRoundsHalfToEven() {
        QCOMPARE(morvane::TwipsPerPixelFor(96), 15);
        QCOMPARE(morvane::TwipsPerPixelFor(120), 12);
        QCOMPARE(morvane::TwipsPerPixelFor(1440.0 / 14.5), 14);  // half goes to the even 14
        QCOMPARE(morvane::TwipsPerPixelFor(1440.0 / 15.5), 16);
        QCOMPARE(morvane::TwipsPerPixelFor(0), 15);      // no usable DPI
        QCOMPARE(morvane::TwipsPerPixelFor(100000), 1);  // never 0
        QCOMPARE(morvane::TwipsPerPixel(), 15);          // the offscreen screen has 96 DPI
    }

    void linesAndShadowsArePlacedWithTheirTexts() {
        fAbout about(nullptr, [](const QUrl&) {});
        QCOMPARE(about.size(), QSize(494, 370));  // 7410 x 5550 twips
        const int topPixels[] = {6, 77, 149, 220, 292};
        for (int i = 0; i < 5; ++i) {
            const QLabel* front = Line(about, "L1", i);
            const QLabel* shadow = Line(about, "L2", i);
            QVERIFY(front && shadow);
            QCOMPARE(front->geometry(), QRect(6, topPixels[i], 482, 71));
            QCOMPARE(shadow->text(), front->text());
            QCOMPARE(shadow->geometry(), front->geometry().translated(-1, -1));
            QCOMPARE(TextColour(shadow), QColor(0x40, 0x40, 0x40));
            // The front line lies above its shadow.
            QVERIFY(about.children().indexOf(const_cast<QLabel*>(front)) >
                    about.children().indexOf(const_cast<QLabel*>(shadow)));
        }
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе Morvane_KT"));
        QVERIFY(!about.windowIcon().isNull());
        QCOMPARE(about.HighlightedLine(), -1);
        const QStringList notice = Line(about, "L1", 0)->text().split(u'\n');
        QCOMPARE(notice.size(), 2);
        QVERIFY(notice[0].endsWith(QString::number(QDate::currentDate().year())));
        QVERIFY(Line(about, "L1", 2)->text().endsWith(QStringLiteral("README.md")));
        QCOMPARE(Line(about, "L1", 4)->text(),
                 QStringLiteral("Morvane_KT    v.") + morvane::VersionText());
    }

    void hoverLightsOneLineAtATime() {
        Opened opened;
        fAbout& about = *opened.about;
        const QLabel* line2 = Line(about, "L1", 2);
        const QLabel* line3 = Line(about, "L1", 3);
        MoveTo(about, line2->geometry().center());
        QVERIFY(Lit(about, 2));
        QCOMPARE(about.HighlightedLine(), 2);
        QCOMPARE(TextColour(Line(about, "L2", 2)), QColor(0x40, 0x40, 0x40));  // shadow stays grey

        MoveTo(about, line3->geometry().center());
        QVERIFY(Plain(about, 2));
        QVERIFY(Lit(about, 3));
        QCOMPARE(about.HighlightedLine(), 3);

        MoveTo(about, QPoint(2, about.height() - 2));  // the background
        QVERIFY(Plain(about, 3));
        QCOMPARE(about.HighlightedLine(), -1);
    }

    void escapeClosesOnlyWithoutModifiers() {
        Opened opened;
        QTest::keyClick(opened.about.get(), Qt::Key_Escape, Qt::ShiftModifier);
        QVERIFY(opened.about->isVisible());
        QTest::keyClick(opened.about.get(), Qt::Key_Escape, Qt::ControlModifier);
        QVERIFY(opened.about->isVisible());
        QTest::keyClick(opened.about.get(), Qt::Key_Escape);
        QVERIFY(!opened.about->isVisible());
        QVERIFY(opened.urls.isEmpty());
    }

    // A click closes the window; on the documentation line it also opens it. The right button
    // is no click.
    void clickClosesAndOpensOnlyTheDocumentation() {
        for (const int line : {0, 1, 4}) {
            Opened opened;
            ClickOn(*opened.about, Line(*opened.about, "L1", line));
            QVERIFY(!opened.about->isVisible());
            QVERIFY(opened.urls.isEmpty());
        }
        Opened opened;
        const QLabel* line2 = Line(*opened.about, "L1", 2);
        ClickOn(*opened.about, line2, Qt::RightButton);
        QVERIFY(opened.about->isVisible() && opened.urls.isEmpty());
        ClickOn(*opened.about, line2);
        QVERIFY(!opened.about->isVisible());
        QCOMPARE(opened.urls.size(), 1);
        QVERIFY(opened.urls[0].isLocalFile());
        QCOMPARE(QDir::toNativeSeparators(opened.urls[0].toLocalFile()), line2->text());
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
        QCOMPARE(folderFor(source), QString());  // no README anywhere
        QVERIFY(dir.mkpath("src/README.md"));    // a folder is no README
        QCOMPARE(folderFor(source), QString());
        QVERIFY(QFile(installed + "/README.md").open(QIODevice::WriteOnly));
        QCOMPARE(folderFor(source), installed);  // installed
        QCOMPARE(folderFor(QString()), installed);
        QVERIFY(QFile::remove(installed + "/README.md"));
        QVERIFY(QDir(source).rmdir("README.md"));
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
        QCOMPARE(morvane::VersionText(),
                 morvane::VersionText(MORVANE_VERSION_MAJOR, MORVANE_VERSION_MINOR,
                                      MORVANE_VERSION_PATCH));
        QCOMPARE(morvane::PadLeft(QStringLiteral("7"), 3, u' '), QStringLiteral("  7"));
    }

    void modalWindowIsDiscardedWhenClosed() {
        QWidget owner;
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QTimer::singleShot(0, [] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal && qobject_cast<fAbout*>(modal));
            modal->grab().save(qEnvironmentVariable("MORVANE_ABOUT_SHOT"));
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        fAbout::ShowModal(&owner);
        QTRY_VERIFY(owner.findChildren<fAbout*>().isEmpty());
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
