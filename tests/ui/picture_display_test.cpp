// The picture box: the drawn size, and real pictures decoded, centred and cleared.
#include <QtTest>

#include <filesystem>

#include "support/temp_dir.h"
#include "ui/picture_display.h"

using morvane::DisplaySize;
using morvane::PictureBox;
using morvane::test::TempDir;

namespace {
constexpr int kBorder = 2;  // the box's sunken frame
constexpr int kInner = 124;

// A box of 1920 x 1920 twips at 15 twips per pixel: 128 pixels with an inner area of 124.
std::unique_ptr<PictureBox> MakeBox() {
    auto box = std::make_unique<PictureBox>();
    box->resize(kInner + 2 * kBorder, kInner + 2 * kBorder);
    return box;
}

// Pixel (x, y) of the inner area as the box paints it.
QColor InnerPixel(PictureBox& box, int x, int y) {
    return box.grab().toImage().pixelColor(kBorder + x, kBorder + y);
}

bool Near(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())}) <= 2;
}

// Shows `file` over `background` and waits for the decode: whether it was shown.
bool Show(PictureBox& box, const std::string& file, const QColor& background) {
    QSignalSpy settled(&box, &PictureBox::PictureSettled);
    box.ShowPicture(QString::fromStdString(file), background);
    return settled.wait(20000) && settled.count() == 1 && settled.first().first().toBool();
}

// Writes a flat picture of `colour` into `dir` and shows it over white.
bool ShowFlat(PictureBox& box, const TempDir& dir, int width, int height, const QColor& colour) {
    const std::string file = dir / "flat.png";
    morvane::test::WriteFlatPicture(file, width, height, colour.red(), colour.green(),
                                    colour.blue());
    return Show(box, file, Qt::white);
}

// Whether this process holds `file` open.
bool HeldOpen(const std::string& file) {
    namespace fs = std::filesystem;
    const fs::path target = fs::canonical(file);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == target) return true;
    }
    return false;
}
}  // namespace

class PictureDisplayTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void displaySize() {
        const struct {
            int width, height;
            QSize expected;                                               // invalid: not shown
        } rows[] = {{124, 124, QSize(124, 124)},    {1, 1, QSize(1, 1)},  // never too small
                    {300, 150, QSize(124, 62)},     {150, 300, QSize(62, 124)},
                    {992, 124, QSize(124, 16)},  // half rounds to even
                    {124 * 40, 124, QSize()},    // shrunk below 4
                    {124 * 31, 124, QSize(124, 4)}, {125, 10, QSize(124, 10)}};
        for (const auto& [width, height, expected] : rows) {
            QCOMPARE(DisplaySize(width, height, kInner, kInner).value_or(QSize()), expected);
            QVERIFY(!DisplaySize(width, height, 0, kInner));  // a box not laid out shows nothing
        }
    }

    void picturesAreCentredOverTheBackground() {
        TempDir dir;
        const auto box = MakeBox();
        const QColor red(200, 30, 40);
        QVERIFY(ShowFlat(*box, dir, 300, 150, red));
        QCOMPARE(box->Picture().size(), QSize(124, 62));
        // 31 rows of background above and below.
        const std::tuple<int, int, QColor> wide[] = {
            {62, 30, Qt::white}, {62, 31, red}, {0, 62, red}, {123, 92, red}, {62, 93, Qt::white}};
        for (const auto& [x, y, colour] : wide) QVERIFY(Near(InnerPixel(*box, x, y), colour));
        // A single pixel sits at the centre, rounded down.
        QVERIFY(ShowFlat(*box, dir, 1, 1, Qt::black));
        const std::tuple<int, int, QColor> dot[] = {
            {61, 61, Qt::black}, {62, 61, Qt::white}, {61, 62, Qt::white}};
        for (const auto& [x, y, colour] : dot) QCOMPARE(InnerPixel(*box, x, y), colour);
    }

    void transparencyShowsTheGivenBackground() {
        TempDir dir;
        const std::string file = dir / "clear.png";
        // Left half opaque blue, right half fully transparent red.
        std::vector<std::uint8_t> pixels;
        for (int i = 0; i < 40 * 20; ++i) {
            const std::uint8_t left = i % 40 < 20 ? 255 : 0;
            pixels.insert(pixels.end(), {std::uint8_t(255 - left), 0, left, left});
        }
        morvane::test::WritePicture(file, 40, 20, 4, pixels);
        const auto box = MakeBox();
        const QColor paleGreen(208, 255, 208);
        QVERIFY(Show(*box, file, paleGreen));
        const QPoint origin((kInner - 40) / 2, (kInner - 20) / 2);
        QCOMPARE(InnerPixel(*box, origin.x() + 5, origin.y() + 5), QColor(Qt::blue));
        QCOMPARE(InnerPixel(*box, origin.x() + 30, origin.y() + 5), paleGreen);
        QCOMPARE(InnerPixel(*box, 2, 2), QColor(Qt::white));  // the box's own background around it
    }

    void failuresKeepTheBoxAsItWas() {
        TempDir dir;
        const auto box = MakeBox();
        morvane::test::WriteTextFile(dir / "text.jpg", "not a picture");
        morvane::test::WriteFlatPicture(dir / "thin.png", 10000, 10, 0, 0, 0);
        for (const char* name : {"gone.png", "text.jpg", "thin.png"})
            QVERIFY2(!Show(*box, dir / name, Qt::white), name);
        QVERIFY(box->Picture().isNull());
        QCOMPARE(InnerPixel(*box, 62, 62), QColor(Qt::white));
    }

    // A box that has moved on ignores a decode still under way: only the last picture asked
    // for is shown. Cleared, the box shows only its own background.
    void laterPictureWinsAndClearingLeavesTheBackground() {
        TempDir dir;
        const auto box = MakeBox();
        box->SetBackgroundColour(QColor(255, 224, 192));
        const std::string large = dir / "large.png";
        morvane::test::WriteFlatPicture(large, 2000, 2000, 255, 0, 0);
        box->ShowPicture(QString::fromStdString(large), Qt::white);
        box->ClearPictureBox();
        box->ShowPicture(QString::fromStdString(large), Qt::white);
        QVERIFY(ShowFlat(*box, dir, 124, 124, Qt::black));
        QCOMPARE(InnerPixel(*box, 0, 0), QColor(Qt::black));
        QCOMPARE(InnerPixel(*box, 123, 123), QColor(Qt::black));
        box->ClearPictureBox();
        QVERIFY(box->Picture().isNull());
        QCOMPARE(InnerPixel(*box, 62, 62), QColor(255, 224, 192));
    }

    void fileIsClosedAndReadAfresh() {
        TempDir dir;
        const std::string file = dir / "same name.jpg";
        const auto box = MakeBox();
        morvane::test::WriteFlatPicture(file, 600, 400, 0, 0, 0);
        QVERIFY(Show(*box, file, Qt::white));
        QVERIFY(!HeldOpen(file));
        // Another picture under the same name: the box shows the new one, not a remembered one.
        morvane::test::WriteFlatPicture(file, 600, 400, 255, 255, 255);
        QVERIFY(Show(*box, file, Qt::black));
        QVERIFY(Near(InnerPixel(*box, 62, 62), Qt::white));
        QVERIFY(std::filesystem::remove(file));
    }
};

QTEST_MAIN(PictureDisplayTest)
#include "picture_display_test.moc"
