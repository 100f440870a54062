#include "imaging/fingerprint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <numeric>
#include <tuple>

#include "imaging/decode.h"
#include "imaging/picture_table.h"
#include "support/huge_png.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;
using vips::VImage;

// What the collection keeps of a picture: fingerprint, size, depth.
Dubl Make(const std::string& path, std::uint32_t fill = kWhiteFill) {
    Dubl record;
    MakeFingerprint(path, record.Fingerprint, GridSize, record.PicWidth, record.PicHeight,
                    record.BitDepth, fill);
    return record;
}

bool AllEqual(const Fingerprint& fingerprint, std::uint8_t value) {
    return fingerprint == Fingerprint(1024, value);
}

int EqualCells(const Fingerprint& a, const Fingerprint& b) {
    if (a.size() != b.size()) return 0;
    return std::inner_product(a.begin(), a.end(), b.begin(), 0, std::plus<>(), std::equal_to<>());
}

VImage Flat(int width, int height, std::vector<double> colour) {
    EXPECT_TRUE(EnsureImagingStarted());
    return (VImage::black(width, height) + colour).cast(VIPS_FORMAT_UCHAR);
}

TEST(Fingerprint, FlatColoursGiveTheMeanOfTheirChannelsRoundedDown) {
    const TempDir dir;
    struct Case {
        std::uint8_t r, g, b, grey;
    };
    for (const Case c : {Case{255, 255, 255, 255}, Case{255, 0, 0, 85}, Case{255, 255, 254, 254},
                         Case{0, 0, 0, 0}}) {
        const std::string file = dir / "flat.png";
        test::WriteFlatPicture(file, 40, 30, c.r, c.g, c.b);
        const Dubl result = Make(file);
        EXPECT_TRUE(AllEqual(result.Fingerprint, c.grey)) << int(c.grey);
        // A run keeps one per picture: no room for the colour triplets is kept with it.
        EXPECT_EQ(result.Fingerprint.capacity(), 1024u);
        EXPECT_EQ(std::pair(result.PicWidth, result.PicHeight), std::pair(40, 30));
    }
}

TEST(Fingerprint, TransparencyShowsTheFillColour) {
    const TempDir dir;
    const std::string file = dir / "clear.png";
    Flat(50, 20, {200, 10, 10, 0}).write_to_file(file.c_str());
    EXPECT_TRUE(AllEqual(Make(file).Fingerprint, 255));
    // 0x00BBGGRR: red 0x30, green 0x20, blue 0x10.
    EXPECT_TRUE(AllEqual(Make(file, 0x00102030).Fingerprint, (0x30 + 0x20 + 0x10) / 3));

    // Half-transparent black over white blends to mid grey.
    Flat(50, 20, {0, 0, 0, 128}).write_to_file(file.c_str());
    const Fingerprint half = Make(file).Fingerprint;
    ASSERT_EQ(half.size(), 1024u);
    EXPECT_NEAR(half[500], 127, 2);
}

// Top half black, bottom half white, a red band down the left edge.
TEST(Fingerprint, BottomRowComesFirst) {
    const TempDir dir;
    const std::string file = dir / "halves.png";
    Flat(64, 32, {0, 0, 0})
        .insert(Flat(64, 32, {255, 255, 255}), 0, 32, VImage::option()->set("expand", true))
        .insert(Flat(8, 64, {255, 0, 0}), 0, 0)
        .write_to_file(file.c_str());
    const Fingerprint print = Make(file).Fingerprint;
    ASSERT_EQ(print.size(), 1024u);
    for (int row = 0; row < 32; ++row) {  // rows 14 to 17 lie on the seam and may blend
        EXPECT_EQ(print[row * 32], 85) << row;
        EXPECT_TRUE((row >= 14 && row < 18) || print[row * 32 + 31] == (row < 14 ? 255 : 0)) << row;
    }
}

TEST(Fingerprint, SamePixelsInDifferentFormatsGiveTheSameFingerprint) {
    const TempDir dir;
    test::WritePatternPicture(dir / "a.png", 300, 200, 3);
    const Fingerprint png = Make(dir / "a.png").Fingerprint;
    ASSERT_EQ(png.size(), 1024u);
    for (const std::string ending : {"bmp", "tif", "webp"}) {
        const std::string options = ending == "webp" ? "[lossless]" : "";
        test::WritePatternPicture(dir / ("a." + ending + options), 300, 200, 3);
        EXPECT_EQ(Make(dir / ("a." + ending)).Fingerprint, png) << ending;
    }
    // Brackets in a file name are part of the name, not loader options.
    std::filesystem::copy_file(dir / "a.png", dir / "b[1].png");
    EXPECT_EQ(Make(dir / "b[1].png").Fingerprint, png);
}

TEST(Fingerprint, LargeJpegShrinksOnLoadOnlyDownToHalfAThousandPixels) {
    const TempDir dir;
    test::WritePatternPicture(dir / "big.jpg", 4000, 3000, 5);
    // 3000 / 4 = 750 keeps 512 pixels, 3000 / 8 = 375 would not: the loader shrinks by 4.
    for (const int shrink : {4, 8}) {
        const std::string name = dir / ("shrunk" + std::to_string(shrink) + ".png");
        VImage::jpegload((dir / "big.jpg").c_str(), VImage::option()->set("shrink", shrink))
            .write_to_file(name.c_str());
    }
    const Dubl big = Make(dir / "big.jpg");
    EXPECT_EQ(std::tuple(big.PicWidth, big.PicHeight, big.BitDepth), std::tuple(4000, 3000, 24));
    EXPECT_EQ(big.Fingerprint, Make(dir / "shrunk4.png").Fingerprint);
    EXPECT_NE(big.Fingerprint, Make(dir / "shrunk8.png").Fingerprint);
}

TEST(Fingerprint, DepthFollowsTheStoredPixelFormat) {
    const TempDir dir;
    const VImage grey =
        Flat(40, 30, {90}).copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    const VImage rgb = Flat(40, 30, {90, 20, 200});
    const auto save = [&](const VImage& image, const std::string& name,
                          vips::VOption* options = nullptr) {
        image.write_to_file((dir / name).c_str(), options);
        return Make(dir / name).BitDepth;
    };
    EXPECT_EQ(save(grey, "one.png", VImage::option()->set("bitdepth", 1)), 1);
    EXPECT_EQ(save(rgb, "pal4.png", VImage::option()->set("palette", true)->set("bitdepth", 4)), 4);
    EXPECT_EQ(save(rgb, "pal8.png", VImage::option()->set("palette", true)->set("bitdepth", 8)), 8);
    EXPECT_EQ(save(grey, "grey.png"), 8);
    EXPECT_EQ(save(rgb, "rgb.jpg"), 24);
    // ImageMagick writes the fewest bits that hold the colours, up to `bits`.
    const VImage colours16 = (VImage::xyz(40, 30)[0] % 16 * 16).bandjoin_const({0, 90});
    const VImage colours40 = (VImage::xyz(40, 30)[0] * 6).bandjoin_const({20, 200});
    const auto magick = [&](const VImage& image, const std::string& name, int bits) {
        image.cast(VIPS_FORMAT_UCHAR)
            .magicksave((dir / name).c_str(), VImage::option()->set("bitdepth", bits));
        return Make(dir / name).BitDepth;
    };
    EXPECT_EQ(magick(rgb, "pal1.bmp", 1), 1);
    EXPECT_EQ(magick(colours16, "pal4.bmp", 4), 4);
    EXPECT_EQ(magick(colours40, "pal8.bmp", 8), 8);
    EXPECT_EQ(magick(rgb, "pal1.tif", 1), 1);
    EXPECT_EQ(magick(colours40, "pal8.tif", 8), 8);
    EXPECT_EQ(save(rgb, "rgb.bmp"), 24);
    EXPECT_EQ(save(rgb, "rgb.tif"), 24);
    EXPECT_EQ(save(rgb, "flat.gif"), 8);  // even one colour counts as an 8-bit palette
    EXPECT_EQ(save(Flat(40, 30, {90, 20, 200, 128}), "alpha.png"), 32);
    EXPECT_EQ(save(grey.colourspace(VIPS_INTERPRETATION_GREY16), "grey16.png"), 16);
    EXPECT_EQ(save(rgb.colourspace(VIPS_INTERPRETATION_RGB16), "rgb16.png"), 48);
    EXPECT_EQ(
        save(Flat(40, 30, {90, 20, 200, 128}).colourspace(VIPS_INTERPRETATION_RGB16), "rgba16.png"),
        64);
    // Wide samples are brought down to 8 bits before the grid is made.
    EXPECT_TRUE(AllEqual(Make(dir / "rgb16.png").Fingerprint, (90 + 20 + 200) / 3));
    EXPECT_TRUE(AllEqual(Make(dir / "flat.gif").Fingerprint, (90 + 20 + 200) / 3));
}

TEST(Fingerprint, UnreadableOrTruncatedFilesLeaveAnEmptyFingerprintAndTheSizesAlone) {
    const TempDir dir;
    test::WriteTextFile(dir / "notes.jpg", "this is not a picture\n");
    test::WriteTextFile(dir / "empty.png", "");
    for (const char* name : {"cut.jpg", "cut.png"}) {
        test::WritePatternPicture(dir / name, 800, 600, 2);
        const std::string whole = test::ReadFile(dir / name);
        test::WriteTextFile(dir / name, whole.substr(0, whole.size() / 2));
    }
    for (const char* name : {"notes.jpg", "empty.png", "missing.png", ".", "cut.jpg", "cut.png"}) {
        Fingerprint fingerprint(1024, 9);
        std::int32_t width = 0, height = 0, depth = 7;
        MakeFingerprint(dir / name, fingerprint, GridSize, width, height, depth, kWhiteFill);
        EXPECT_TRUE(fingerprint.empty()) << name;
        EXPECT_EQ(width + height, 0) << name;
        EXPECT_EQ(depth, 7) << name;
    }
}

TEST(Fingerprint, PicturesDeclaringEnormousSizesFailCleanly) {
    const TempDir dir;
    // 900 megapixels may be honest: opened, then failed where the data runs short. Ten
    // gigapixels are past the cap and never opened.
    for (const std::uint32_t side : {30000u, 100000u}) {
        const std::string file = dir / ("huge" + std::to_string(side) + ".png");
        test::WriteHugeDeclaredPng(file, side);
        EXPECT_EQ(OpenPicture(file, 1, 1).has_value(), side == 30000u) << side;
        EXPECT_TRUE(Make(file).Fingerprint.empty()) << side;
        EXPECT_FALSE(DecodeForDisplay(file, 200, 200).has_value()) << side;
    }
}

TEST(Fingerprint, PanoramasOverAHundredMegapixelsAreRead) {
    const TempDir dir;
    const auto ramp = [&](int width, int height, const std::string& name) {
        const VImage xyz = VImage::xyz(width, height);
        const VImage red = xyz[0] * (255.0 / width), green = xyz[1] * (255.0 / height);
        red.bandjoin(green)
            .bandjoin(red * 0.5)
            .cast(VIPS_FORMAT_UCHAR)
            .pngsave((dir / name).c_str(), VImage::option()->set("compression", 1));
        return Make(dir / name);
    };
    const Dubl big = ramp(12000, 9000, "big.png");
    ASSERT_EQ(big.Fingerprint.size(), 1024u);
    EXPECT_EQ(std::pair(big.PicWidth, big.PicHeight), std::pair(12000, 9000));
    EXPECT_GE(EqualCells(big.Fingerprint, ramp(1200, 900, "small.png").Fingerprint), 900);
    const auto shown = DecodeForDisplay(dir / "big.png", 400, 300);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->drawWidth, 400);
}

TEST(DecodeForDisplay, FitsTheBoxKeepingTheAspect) {
    const TempDir dir;
    test::WritePatternPicture(dir / "wide.jpg", 3000, 1500, 4);
    const auto wide = DecodeForDisplay(dir / "wide.jpg", 124, 124);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(std::tuple(wide->width, wide->drawWidth, wide->drawHeight),
              std::tuple(3000, 124, 62));
    EXPECT_EQ(wide->pixels.size(), 124u * 62 * wide->bands);

    Flat(2, 1, {10, 20, 30, 40}).write_to_file((dir / "tiny.png").c_str());
    const auto tiny = DecodeForDisplay(dir / "tiny.png", 124, 124);
    ASSERT_TRUE(tiny.has_value());
    EXPECT_EQ(tiny->bands, 4);
    EXPECT_EQ(tiny->pixels, (std::vector<std::uint8_t>{10, 20, 30, 40, 10, 20, 30, 40}));

    test::WriteFlatPicture(dir / "line.png", 1000, 3, 0, 0, 0);
    EXPECT_FALSE(DecodeForDisplay(dir / "line.png", 124, 124).has_value());
    EXPECT_FALSE(DecodeForDisplay(dir / "missing.png", 124, 124).has_value());
}

}  // namespace
}  // namespace morvane
