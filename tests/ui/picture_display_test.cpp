// SPDX-License-Identifier: GPL-3.0-or-later
// The picture box: the drawn size, and real pictures decoded, centred and cleared.
#include <QtTest>

#include <filesystem>

#include "imaging/decode.h"
#include "support/temp_dir.h"
#include "ui/picture_display.h"

using morvane::PictureBox;

namespace {
constexpr int kBorder = 2;  // the box's sunken frame
constexpr int kInner = 124;
using Pixel = std::tuple<int, int, QColor>;
}  // namespace

class PictureDisplayTest : public QObject {
    Q_OBJECT
    std::unique_ptr<morvane::test::TempDir> dir_;
    std::unique_ptr<PictureBox> box_;

    // Where the box paints off the colour given (beyond rounding) at these points of its
    // inner area; "" for nowhere.
    QString Off(std::initializer_list<Pixel> pixels) {
        const QImage painted = box_->grab().toImage();
        QString wrong;
        for (const auto& [x, y, c] : pixels) {
            const QColor a = painted.pixelColor(kBorder + x, kBorder + y);
            if (std::max({std::abs(a.red() - c.red()), std::abs(a.green() - c.green()),
                          std::abs(a.blue() - c.blue())}) > 2)
                wrong += QString(" %1,%2 is %3").arg(x).arg(y).arg(a.name());
        }
        return wrong;
    }
    // Shows the file over `background` and waits for the decode: whether it was shown.
    bool Show(const std::string& name, const QColor& background = Qt::white) {
        QSignalSpy settled(box_.get(), &PictureBox::PictureSettled);
        box_->ShowPicture(*dir_ / name, background);
        return settled.wait(20000) && settled.count() == 1 && settled.first().first().toBool();
    }
    bool ShowFlat(const std::string& name, int width, int height, const QColor& colour) {
        morvane::test::WriteFlatPicture(*dir_ / name, width, height, colour.red(), colour.green(),
                                        colour.blue());
        return Show(name);
    }

  private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<morvane::test::TempDir>();
        box_ = std::make_unique<PictureBox>();
        box_->resize(kInner + 2 * kBorder, kInner + 2 * kBorder);  // 1920 twips: 128 pixels
    }
    void cleanup() {
        box_.reset();
        dir_.reset();
    }

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
            QCOMPARE(morvane::DisplaySize(width, height, kInner, kInner).value_or(QSize()),
                     expected);
            QVERIFY(!morvane::DisplaySize(width, height, 0, kInner));  // a box not laid out
        }
    }

    // A shrunk picture is centred with the box's own background around it and the given one
    // where it is transparent; a single pixel sits at the centre, rounded down.
    void picturesAreCentredOverTheirBackgrounds() {
        std::vector<std::uint8_t> pixels;  // left half opaque blue, right half clear red
        for (int i = 0; i < 300 * 150; ++i) {
            const std::uint8_t left = i % 300 < 150 ? 255 : 0;
            pixels.insert(pixels.end(), {std::uint8_t(255 - left), 0, left, left});
        }
        morvane::test::WritePicture(*dir_ / "clear.png", 300, 150, 4, pixels);
        const QColor paleGreen(208, 255, 208);
        QVERIFY(Show("clear.png", paleGreen));
        QCOMPARE(box_->Picture().size(), QSize(124, 62));
        // 31 rows of the box's own background above and below.
        QCOMPARE(Off({{30, 30, Qt::white}, {30, 31, Qt::blue}, {0, 62, Qt::blue}}), "");
        QCOMPARE(Off({{123, 62, paleGreen}, {30, 92, Qt::blue}, {30, 93, Qt::white}}), "");
        QVERIFY(ShowFlat("dot.png", 1, 1, Qt::black));  // at the centre, rounded down
        QCOMPARE(Off({{61, 61, Qt::black}, {62, 61, Qt::white}, {61, 62, Qt::white}}), "");
    }

    // Stored on its side (EXIF orientation 6), a picture is shown upright: its left half on top.
    void orientedPicturesAreShownUpright() {
        QVERIFY(morvane::EnsureImagingStarted());
        vips::VImage stored = (vips::VImage::xyz(200, 100)[0] < 100)
                                  .ifthenelse(std::vector<double>{255, 0, 0}, {0, 0, 255})
                                  .cast(VIPS_FORMAT_UCHAR);
        stored.set("orientation", 6);
        stored.jpegsave((*dir_ / "side.jpg").c_str());
        QVERIFY(Show("side.jpg"));
        QCOMPARE(box_->Picture().size(), QSize(62, 124));
        QCOMPARE(Off({{62, 10, Qt::red}, {62, 113, Qt::blue}, {20, 62, Qt::white}}), "");
    }

    // A box that has moved on ignores a decode still under way: only the last picture asked
    // for is shown, and a new picture under the same name is read afresh, the file not held
    // open. A file that cannot be shown leaves the box as it was; cleared, the box shows only
    // its own background.
    void laterPictureWinsFailuresChangeNothing() {
        box_->SetBackgroundColour(QColor(255, 224, 192));
        morvane::test::WriteFlatPicture(*dir_ / "large.png", 2000, 2000, 255, 0, 0);
        const std::string large = *dir_ / "large.png";
        box_->ShowPicture(large, Qt::white);
        box_->ClearPictureBox();
        box_->ShowPicture(large, Qt::white);
        for (const QColor colour : {Qt::black, Qt::white}) {
            QVERIFY(ShowFlat("same name.jpg", 620, 620, colour));
            QCOMPARE(Off({{0, 0, colour}, {123, 123, colour}}), "");
            const auto file = std::filesystem::canonical(*dir_ / "same name.jpg");
            for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
                std::error_code gone;  // the iterator's own entry closes as it is read
                QVERIFY(std::filesystem::read_symlink(entry.path(), gone) != file);
            }
        }
        morvane::test::WriteTextFile(*dir_ / "text.jpg", "not a picture");
        morvane::test::WriteFlatPicture(*dir_ / "thin.png", 10000, 10, 0, 0, 0);
        for (const char* name : {"gone.png", "text.jpg", "thin.png"}) QVERIFY2(!Show(name), name);
        QCOMPARE(Off({{0, 0, Qt::white}, {123, 123, Qt::white}}), "");
        box_->ClearPictureBox();
        QVERIFY(box_->Picture().isNull());
        QCOMPARE(Off({{62, 62, QColor(255, 224, 192)}}), "");
    }
};

QTEST_MAIN(PictureDisplayTest)
#include "picture_display_test.moc"
