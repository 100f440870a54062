// SPDX-License-Identifier: GPL-3.0-or-later
// The EMF and WMF renderer: pictures written record by record, checked by their pixels; the
// canvas cap for every picture shape, and damaged bitmaps inside metafiles.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>

#include <memory>
#include <random>
#include <tuple>

#include "imaging/fingerprint.h"
#include "metafile/dib.h"
#include "metafile/render.h"
#include "metafile_writer.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::Bytes;
using test::EmfWriter;
using test::Rgb;
using test::WmfWriter;

// Fonts need a GUI application; ctest runs this on the offscreen platform.
struct GuiEnvironment : ::testing::Environment {
    int argc = 1;
    char name[14] = "metafile_test";
    char* argv[2] = {name, nullptr};
    void SetUp() override { app = std::make_unique<QGuiApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
    std::unique_ptr<QGuiApplication> app;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr std::uint32_t kNullPen = 0x80000008;
constexpr std::uint32_t kBlackPen = 0x80000007;

RenderedPicture Render(const std::vector<std::uint8_t>& bytes) {
    auto picture = RenderMetafile(bytes);
    EXPECT_TRUE(picture.has_value());
    return picture.value_or(RenderedPicture{});
}

// A pixel the rendering must show: opaque in this colour, left clear, or inked (mostly opaque).
using Probe = std::tuple<int, int, QRgb>;  // x, y, colour
constexpr QRgb kClear = 0, kInked = 1, kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000,
               kBlue = 0xFF0000FF;

RenderedPicture ExpectPixels(const std::vector<std::uint8_t>& file,
                             std::initializer_list<Probe> probes) {
    const RenderedPicture picture = Render(file);
    for (const auto& [x, y, colour] : probes) {
        const QColor c = picture.image.pixelColor(x, y);
        if (colour == kClear)
            EXPECT_EQ(c.alpha(), 0) << x << ", " << y;
        else if (colour == kInked)
            EXPECT_GT(c.alpha(), 100) << x << ", " << y;
        else
            EXPECT_TRUE(c.alpha() == 255 && std::abs(c.red() - qRed(colour)) <= 2 &&
                        std::abs(c.green() - qGreen(colour)) <= 2 &&
                        std::abs(c.blue() - qBlue(colour)) <= 2)
                << x << ", " << y;
    }
    return picture;
}

// Mean difference of the 32 x 32 greys of two renderings laid over white, as the fingerprint
// sees them.
double MeanCellDifference(const RenderedPicture& a, const RenderedPicture& b) {
    const auto cells = [](const QImage& image) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        return flat.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QImage x = cells(a.image), y = cells(b.image);
    double sum = 0;
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col)
            sum += std::abs(qGray(x.pixel(col, row)) - qGray(y.pixel(col, row)));
    return sum / 1024;
}

// A picture with no outlines whose shapes fill in `colour`.
EmfWriter Filled(int width, int height, std::uint32_t colour) {
    EmfWriter emf(width, height);
    emf.Select(kNullPen).Brush(1, colour).Select(1);
    return emf;
}

// A white background with a red rectangle from (20, 20) to (60, 50), after a record of an
// unknown kind that is skipped.
EmfWriter RectangleOnWhite() {
    EmfWriter emf = Filled(100, 80, Rgb(255, 255, 255));
    emf.Record(0x7777, {1, 2}).Rectangle(0, 0, 100, 80);
    emf.Brush(2, Rgb(255, 0, 0)).Select(2).Rectangle(20, 20, 60, 50);
    return emf;
}

TEST(EmfRender, FilledRectangleOnBackgroundAndReportedSize) {
    const auto picture = ExpectPixels(RectangleOnWhite().Finish(),
                                      {{40, 35, kRed}, {5, 5, kWhite}, {80, 70, kWhite}});
    EXPECT_EQ(std::pair(QSize(picture.width, picture.height), picture.image.size()),
              std::pair(QSize(100, 80), QSize(100, 80)));
}

// On and off a line and a polyline in the selected pen; the pie's centre, inside the ellipse
// and outside it in its box; on and off a straight Bezier in the stock pen.
TEST(EmfRender, LinesShapesAndBeziers) {
    EmfWriter emf = Filled(100, 100, Rgb(0, 0, 0));
    emf.Ellipse(50, 50, 100, 100).Record(47, {0, 0, 40, 40, 40, 20, 20, 0});  // top right
    emf.Pen(2, 0, 5, Rgb(0, 0, 0)).Select(2).MoveTo(10, 30).LineTo(90, 30);
    emf.Polyline16({10, 70, 50, 70, 50, 95}).Select(kBlackPen);
    emf.Polyline16({60, 10, 70, 10, 80, 10, 90, 10}, 85);
    ExpectPixels(emf.Finish(), {{50, 30, kBlack},
                                {30, 70, kBlack},
                                {50, 85, kBlack},
                                {50, 50, kClear},
                                {30, 85, kClear},
                                {23, 17, kBlack},
                                {75, 75, kBlack},
                                {52, 52, kClear},
                                {75, 10, kInked},
                                {75, 20, kClear}});
}

TEST(EmfRender, WindowAndViewportScaleTheDrawing) {
    EmfWriter emf = Filled(100, 100, Rgb(255, 0, 0));
    emf.Record(17, {8}).Record(9, {1000, 1000}).Record(11, {100, 100});  // MM_ANISOTROPIC
    ExpectPixels(emf.Rectangle(0, 0, 500, 500).Finish(), {{25, 25, kRed}, {75, 75, kClear}});
}

// A scale by two is saved and restored away; set again, it moves the second square.
TEST(EmfRender, WorldTransformAndSavedStates) {
    const Bytes twice = Bytes().F32(2).F32(0).F32(0).F32(2).F32(0).F32(0);
    EmfWriter emf = Filled(100, 100, Rgb(255, 0, 0));
    emf.Brush(2, Rgb(0, 0, 255)).Record(33).Select(2).Record(35, twice).Record(34, {-1});
    emf.Rectangle(0, 0, 20, 20).Select(2).Record(36, Bytes(twice).U32(4));
    emf.Rectangle(20, 20, 40, 40);  // drawn at (40, 40)-(80, 80)
    ExpectPixels(emf.Finish(), {{10, 10, kRed}, {60, 60, kBlue}, {30, 30, kClear}});
}

// Two closed squares, then a figure that starts with a curve and is left open (FillPath closes
// it): it must not join the second square.
TEST(EmfRender, LaterFiguresStartAtTheirMoveTo) {
    EmfWriter path = Filled(100, 100, Rgb(0, 0, 0)), raster = path;
    path.Record(59).MoveTo(10, 10).LineTo(40, 10).LineTo(40, 40).LineTo(10, 40).Record(61);
    path.MoveTo(60, 10).LineTo(90, 10).LineTo(90, 40).LineTo(60, 40).Record(61).MoveTo(10, 60);
    path.Polyline16({36, 60, 63, 60, 90, 60, 90, 70, 90, 80, 90, 90, 63, 90, 36, 90, 10, 90}, 88);
    raster.Rectangle(10, 10, 40, 40).Rectangle(60, 10, 90, 40).Rectangle(10, 60, 90, 90);
    const auto drawn = Render(path.Record(60).Record(62, {0, 0, 100, 100}).Finish());
    EXPECT_LT(MeanCellDifference(drawn, Render(raster.Finish())), 3);
}

TEST(MetafileRender, StretchedBitmapKeepsItsQuadrants) {
    const auto dib = test::MakeDib24(2, 2, {0xFF0000, 0xFF00, 0xFF, 0xFFFFFF});
    // Top: red, green; bottom: blue, white.
    const std::initializer_list<Probe> quadrants = {
        {10, 10, kRed}, {90, 10, 0xFF00FF00}, {10, 90, kBlue}, {90, 90, kWhite}};
    ExpectPixels(EmfWriter(100, 100).StretchDib(0, 0, 100, 100, dib).Finish(), quadrants);
    ExpectPixels(WmfWriter(100, 100, 96).StretchDib(0, 0, 100, 100, dib, 0x00CC0020).Finish(),
                 quadrants);
}

// Office programs draw a transparent bitmap as a run-length mask OR-ed in, then the picture
// AND-ed. Over a blue stripe and over nothing, the pair must look like its opaque part alone.
TEST(EmfRender, MaskAndPicturePairsLeaveTheGroundShowing) {
    constexpr int kSide = 100;
    constexpr std::uint32_t kSrcPaint = 0x00EE0086, kSrcAnd = 0x008800C6;
    std::vector<std::uint32_t> picture(kSide * kSide, 0xFFFFFF);
    Bytes mask;  // runs of 25 skipped and 50 set in the middle rows, the rest skipped
    for (int y = 0; y < kSide; ++y) {
        if (y >= 25 && y < 75) mask.I16s({25, 1 << 8 | 50});
        std::fill_n(&picture[y * kSide + 25], y >= 25 && y < 75 ? 50 : 0, 0xFF0000);
        mask.U16(0);
    }
    const auto maskDib = test::Rle8Dib(kSide, kSide, {0x000000, 0xFFFFFF}, mask.U16(0x100).data);
    const auto pictureDib = test::MakeDib24(kSide, kSide, picture);
    EmfWriter emf = Filled(kSide, kSide, Rgb(0, 0, 255));
    emf.Rectangle(0, 0, 50, kSide);
    EmfWriter emfRaster = emf;
    emf.StretchDib(0, 0, kSide, kSide, maskDib, kSrcPaint)
        .StretchDib(0, 0, kSide, kSide, pictureDib, kSrcAnd);
    emfRaster.Brush(2, Rgb(255, 0, 0)).Select(2).Rectangle(25, 25, 75, 75);
    EXPECT_LT(MeanCellDifference(Render(emf.Finish()), Render(emfRaster.Finish())), 3);
}

// Pixels a run-length picture skips leave the canvas as it was, whatever the raster operation.
TEST(EmfRender, SkippedRunLengthPixelsLeaveTheCanvasAlone) {
    const auto dib = test::Rle8Dib(2, 1, {0x000000, 0xFF0000}, {1, 1, 0, 0, 0, 1});  // red, skipped
    for (const std::uint32_t rop : {0x00CC0020u, 0x008800C6u, 0x00EE0086u, 0x00660046u}) {
        SCOPED_TRACE(rop);
        EmfWriter emf = Filled(100, 100, Rgb(0, 0, 255));
        ExpectPixels(emf.Rectangle(0, 0, 100, 100).StretchDib(0, 0, 100, 100, dib, rop).Finish(),
                     {{90, 50, kBlue}});
    }
}

// Large pictures, a drawing recorded for a 1200 DPI printer among them, report their size but
// are drawn no larger than the fingerprint and the picture boxes need; long thin ones keep at
// least one pixel across.
TEST(EmfRender, LargePicturesReportTheirSizeButDrawSmall) {
    for (const auto& [width, height, dpi, drawn] :
         std::initializer_list<std::tuple<int, int, int, QSize>>{{100000, 50000, 96, {1024, 512}},
                                                                 {4724, 2362, 1200, {1024, 512}},
                                                                 {800000, 1, 96, {1024, 1}},
                                                                 {1, 800000, 96, {1, 1024}}}) {
        EmfWriter emf(width, height, dpi);
        emf.Select(kNullPen).Brush(1, Rgb(255, 0, 0)).Select(1).Rectangle(0, 0, width / 2, height);
        const RenderedPicture picture = Render(emf.Finish());
        EXPECT_EQ(QSize(picture.width, picture.height), QSize(width, height));
        EXPECT_EQ(picture.image.size(), drawn) << width;
        if (drawn.height() == 512) ExpectPixels(emf.Finish(), {{256, 10, kRed}, {768, 10, kClear}});
    }
}

// One inch by two thirds: 96 x 64 pixels. Where SetWindowExt gives 10 x 10 units, they fill
// the picture.
TEST(WmfRender, PlaceableBoxAndWindowMapTheDrawing) {
    WmfWriter wmf(1440, 960, 1440);
    wmf.Brush(Rgb(255, 255, 255)).Pen(5, 0, 0).Select(0).Select(1).Rectangle(0, 0, 1440, 960);
    wmf.Brush(Rgb(0, 0, 255)).Select(2).Rectangle(720, 0, 1440, 480);
    wmf.Pen(0, 60, Rgb(0, 0, 0)).Select(3);
    wmf.Record(0x0214, {800, 100}).Record(0x0213, {800, 600});  // MoveTo, LineTo (y, x)
    const auto picture =
        ExpectPixels(wmf.Finish(), {{72, 16, kBlue}, {72, 56, kWhite}, {20, 53, kBlack}});
    EXPECT_EQ(QSize(picture.width, picture.height), QSize(96, 64));
    WmfWriter window(100, 100, 96);
    window.Record(0x020C, {10, 10}).Brush(Rgb(255, 0, 0)).Pen(5, 0, 0).Select(0).Select(1);
    ExpectPixels(window.Rectangle(0, 0, 5, 5).Finish(), {{25, 25, kRed}, {75, 75, kClear}});
}

// Cut anywhere, a record claiming no bytes or running far past the end, or not a metafile.
TEST(MetafileRender, DamagedAndTruncatedFilesGiveNothing) {
    const auto emf = RectangleOnWhite().Finish();
    const auto wmf = WmfWriter(100, 100, 96).Brush(0).Select(0).Rectangle(0, 0, 50, 50).Finish();
    std::vector<std::vector<std::uint8_t>> damaged = {{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i'}};
    for (const auto* file : {&emf, &wmf}) {
        ASSERT_TRUE(RenderMetafile(*file));
        for (const std::size_t keep : {std::size_t{0}, std::size_t{10}, file->size() / 2,
                                       file->size() - 1, file->size() - 6})
            damaged.emplace_back(file->begin(), file->begin() + keep);
    }
    damaged.push_back(emf);  // the first record after the header: no bytes, or far too many
    damaged.back()[88 + 4] = damaged.back()[88 + 5] = 0;
    damaged.push_back(emf);
    damaged.back()[88 + 7] = 0x7F;
    damaged.push_back(wmf);  // the first record's size
    std::fill_n(damaged.back().begin() + 22 + 18, 4, 0);
    for (std::size_t i = 0; i < damaged.size(); ++i) EXPECT_FALSE(RenderMetafile(damaged[i])) << i;
}

// Every kind of record the renderer draws, for the mutation test.
std::vector<std::uint8_t> RichEmf() {
    EmfWriter emf = RectangleOnWhite();
    emf.Pen(3, 0x10000 | 1, 3, Rgb(0, 0, 0)).Select(3).MoveTo(1, 1).LineTo(90, 70);
    emf.Polyline16({1, 2, 30, 40, 50, 60}, 86).Polyline16({1, 2, 30, 40, 50, 60, 9, 9}, 88);
    emf.Record(44, {5, 5, 50, 50, 10, 10});
    emf.Record(47, {5, 5, 50, 50, 50, 5, 5, 50}).Record(46, {5, 5, 50, 50, 50, 5, 5, 50});
    emf.Record(
        91,
        Bytes().I32s({0, 0, 0, 0, 2, 6, 3, 3}).I16s({1, 1, 9, 1, 5, 9, 20, 20, 29, 20, 25, 29}));
    emf.Record(30, {0, 0, 80, 60}).Record(17, {3});
    emf.Font(4, -12, 400).Select(4).Text(10, 10, u"Mv");
    emf.StretchDib(10, 10, 30, 30, test::MakeDib24(2, 2, {1, 2, 3, 4}));
    emf.StretchDib(10, 10, 30, 30,
                   test::Rle8Dib(2, 2, {0, 0xFFFFFF}, {1, 1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1}),
                   0x00EE0086);  // SRCPAINT
    return emf.Finish();
}

TEST(MetafileRender, MutatedFilesNeverCrash) {
    std::mt19937 random(20240611);
    WmfWriter wmf(1440, 960, 1440);
    wmf.Brush(Rgb(1, 2, 3)).Pen(0, 20, 0).Select(0).Select(1).Rectangle(0, 0, 700, 700);
    wmf.Record(0x0324, {3, 0, 0, 500, 0, 0, 500});
    for (const auto& original : {RichEmf(), wmf.Finish()}) {
        ASSERT_TRUE(RenderMetafile(original));
        for (int round = 0; round < 200; ++round) {
            auto bytes = original;
            for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i) {
                const std::size_t at = random() % bytes.size();
                bytes[at] = random() % 3 == 0 ? 0xFF : static_cast<std::uint8_t>(random());
            }
            const auto picture = RenderMetafile(bytes);
            EXPECT_TRUE(!picture ||
                        (picture->width > 0 && picture->image.width() <= kMaxMetafileSide));
        }
    }
}

std::optional<QImage> Decode(const std::vector<std::uint8_t>& info,
                             const std::vector<std::uint8_t>& bits, std::int64_t& budget) {
    return metafile::DecodeDib(metafile::ByteView(info), metafile::ByteView(bits), budget);
}

// Damaged run-length pictures are cut short, never read or written out of bounds. The
// picture is 4 x 2; `expected` gives its palette indices top row first.
TEST(MetafileDib, DamagedRunLengthDataIsCutShort) {
    const std::tuple<int, std::vector<std::uint8_t>, std::string> cases[] = {
        {8, {4, 1, 0, 0, 2, 2, 0, 1}, "22--1111"},           // two rows, end of picture
        {8, {6, 1, 0, 0}, "----1111"},                       // run past the row
        {8, {0, 5, 1, 2, 3, 1, 2, 0}, "----1231"},           // literal run past the row
        {8, {4, 1, 0, 0, 4, 2, 0, 0, 4, 3}, "22221111"},     // rows past the top
        {8, {0, 2, 2, 1, 2, 3}, "--33----"},                 // move right and up
        {8, {0, 2, 1, 9, 4, 3}, "--------"},                 // move past the top
        {8, {0, 2, 200, 0, 4, 3}, "--------"},               // move past the row's end
        {8, {0, 4, 1, 2}, "--------"},                       // literal run cut off
        {8, {0, 2, 1}, "--------"},                          // move cut off
        {4, {4, 0x12, 0, 0, 0, 3, 0x31, 0x20}, "312-1212"},  // nibbles
    };
    for (const auto& [bitCount, bits, expected] : cases) {
        const auto info = test::DibInfo(4, 2, bitCount, bitCount == 8 ? 1 : 2, bits.size(),
                                        {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
        std::int64_t budget = metafile::kMaxDibPixelsPerFile;
        const auto image = Decode(info, bits, budget);
        ASSERT_TRUE(image) << expected;
        std::string got;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const QRgb p = image->pixel(x, y);
                got += !qAlpha(p) ? '-' : qRed(p) ? '1' : qGreen(p) ? '2' : qBlue(p) ? '3' : '0';
            }
        EXPECT_EQ(got, expected);
    }
}

// A run-length picture of any size takes two bytes: a file's pictures share one budget.
TEST(MetafileDib, PicturesOfOneFileShareAPixelBudget) {
    const auto info = test::DibInfo(100, 100, 8, 1, 2, {0});
    std::int64_t budget = 25'000;
    for (const bool decoded : {true, true, false})
        EXPECT_EQ(bool(Decode(info, {0, 1}, budget)), decoded);
    EXPECT_EQ(budget, 5'000);
}

TEST(MetafileFingerprint, VectorPicturesGiveTheirGreysAndSize) {
    const test::TempDir dir;
    EmfWriter emf = Filled(64, 48, Rgb(0, 0, 0));  // black left half; the right half is empty
    const auto bytes = emf.Rectangle(0, 0, 32, 48).Finish();
    test::WriteTextFile(dir / "a.EMF", std::string(bytes.begin(), bytes.end()));
    const auto made = MakeFingerprint(dir / "a.EMF");
    ASSERT_TRUE(made);
    ASSERT_EQ(made->Cells.size(), std::size_t(GridSize * GridSize));
    EXPECT_EQ(std::pair(made->Width, made->Height), std::pair(64, 48));
    EXPECT_LE(made->Cells[5 * GridSize + 3], 2);     // black
    EXPECT_GE(made->Cells[5 * GridSize + 28], 253);  // transparent over the white fill
}

}  // namespace
}  // namespace morvane
