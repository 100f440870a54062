// SPDX-License-Identifier: GPL-3.0-or-later
// The fingerprint of every format, and its own JPEG, WebP and HEIF decodes: at every shrink
// they give the fingerprint of libvips' own decode, on noise where a wrong row or column moves
// cells, and anything the JPEG path declines (a stray byte between markers sends it down the
// general two-step open) must still be decided the libvips way.
#include "imaging/fingerprint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <tuple>

#include "imaging/decode.h"
#include "imaging/orientation.h"
#include "imaging/picture_table.h"
#include "support/huge_png.h"
#include "support/reference_fingerprint.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;
using vips::VImage;

// What the collection keeps of a picture: fingerprint, size, depth.
Dubl Make(const std::string& path, std::uint32_t fill = kWhiteFill) {
    Dubl record;
    TakeFingerprint(record, MakeFingerprint(path, GridSize, fill));
    return record;
}

VImage Flat(int width, int height, std::vector<double> colour) {
    EXPECT_TRUE(EnsureImagingStarted());
    return (VImage::black(width, height) + colour).cast(VIPS_FORMAT_UCHAR);
}

// Noisy content with hard edges, made by libvips itself so large pictures stay quick; seeded,
// so whether a damaged file still decodes is the same on every run.
VImage Noise(int width, int height, int bands) {
    EXPECT_TRUE(EnsureImagingStarted());
    const auto band = [&](int index) {
        return VImage::gaussnoise(width, height,
                                  VImage::option()
                                      ->set("sigma", index ? 30.0 : 70.0)
                                      ->set("mean", index ? 90.0 + 40 * index : 128.0)
                                      ->set("seed", index + 1));
    };
    VImage image = band(0);
    for (int index = 1; index < bands; ++index) image = image.bandjoin(band(index));
    return image.cast(VIPS_FORMAT_UCHAR);
}

// Flat colours give the mean of their channels rounded down; transparency shows the fill
// colour (0x00BBGGRR), half-transparent black over white blends to mid grey.
TEST(Fingerprint, FlatColoursAndTransparency) {
    const TempDir dir;
    for (const auto& [colour, fill, grey] :
         std::initializer_list<std::tuple<std::vector<double>, std::uint32_t, std::uint8_t>>{
             {{255, 0, 0}, kWhiteFill, 85},
             {{255, 255, 254}, kWhiteFill, 254},
             {{200, 10, 10, 0}, kWhiteFill, 255},
             {{200, 10, 10, 0}, 0x00102030, 32},
             {{0, 0, 0, 128}, kWhiteFill, 127}}) {
        SCOPED_TRACE(int(grey));
        const std::string file = dir / "flat.png";
        Flat(40, 30, colour).write_to_file(file.c_str());
        const Dubl result = Make(file, fill);
        EXPECT_EQ(result.Fingerprint, Fingerprint(1024, grey));
        // A run keeps one per picture: no room for the colour triplets is kept with it.
        EXPECT_EQ(result.Fingerprint.capacity(), 1024u);
        EXPECT_EQ(std::pair(result.PicWidth, result.PicHeight), std::pair(40, 30));
    }
}

// Other formats stream through the same reduction as the whole decoded picture would.
TEST(Fingerprint, SamePixelsInDifferentFormatsGiveTheSameFingerprint) {
    const TempDir dir;
    const VImage colour = Noise(320, 250, 3), alpha = colour.bandjoin(Noise(320, 250, 1));
    colour.write_to_file((dir / "a.png").c_str());
    const Fingerprint png = test::ReferenceFingerprint(dir / "a.png");
    ASSERT_EQ(png.size(), 1024u);
    for (const std::string name : {"a.png", "a.bmp", "a.tif", "a.webp"}) {
        colour.write_to_file((dir / (name + (name == "a.webp" ? "[lossless]" : ""))).c_str());
        EXPECT_EQ(Make(dir / name).Fingerprint, png) << name;
    }
    // Brackets in a file name are part of the name, not loader options.
    std::filesystem::copy_file(dir / "a.png", dir / "b[1].png");
    EXPECT_EQ(Make(dir / "b[1].png").Fingerprint, png);
    // The lossy WebP is scaled by a half on load, to 1024.5 x 515.5 pixels rounded.
    for (const auto& [name, image] : {std::pair{"alpha.png", alpha},
                                      {"alpha.webp", alpha},
                                      {"a.heic", colour},
                                      {"alpha.heic", alpha},
                                      {"grey.png", Noise(150, 450, 1)},
                                      {"lossy.webp", Noise(2049, 1031, 3)}}) {
        image.write_to_file((dir / name).c_str());
        const Fingerprint made = Make(dir / name).Fingerprint;
        EXPECT_EQ(made.size(), 1024u) << name;
        EXPECT_EQ(made, test::ReferenceFingerprint(dir / name)) << name;
    }
}

TEST(Fingerprint, LargeJpegShrinksOnLoadOnlyDownToHalfAThousandPixels) {
    const TempDir dir;
    Noise(2100, 2048, 3).jpegsave((dir / "big.jpg").c_str());
    // 2048 / 4 keeps 512 pixels, 2048 / 8 would not: the loader shrinks by 4.
    for (const int shrink : {4, 8})
        VImage::jpegload((dir / "big.jpg").c_str(), VImage::option()->set("shrink", shrink))
            .write_to_file((dir / ("shrunk" + std::to_string(shrink) + ".png")).c_str());
    const Fingerprint big = Make(dir / "big.jpg").Fingerprint;
    EXPECT_EQ(big, Make(dir / "shrunk4.png").Fingerprint);
    EXPECT_NE(big, Make(dir / "shrunk8.png").Fingerprint);
}

// ImageMagick writes the fewest bits that hold the colours, up to `bitdepth`; wide samples
// are brought down to 8 bits before the grid is made.
TEST(Fingerprint, DepthFollowsTheStoredPixelFormat) {
    const TempDir dir;
    const auto bits = [](int depth) { return VImage::option()->set("bitdepth", depth); };
    const VImage grey =
        Flat(40, 30, {90}).copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    const VImage rgb = Flat(40, 30, {90, 20, 200}), rgba = Flat(40, 30, {90, 20, 200, 128});
    const VImage x = VImage::xyz(40, 30)[0];
    struct Case {
        std::string name;
        VImage image;
        int depth;
        vips::VOption* options = nullptr;
    };
    for (const auto& [name, image, depth, options] : std::initializer_list<Case>{
             {"one.png", grey, 1, bits(1)},
             {"pal4.png", rgb, 4, bits(4)->set("palette", true)},
             {"grey.png", grey, 8},
             {"pal4.bmp", (x % 16 * 16).bandjoin_const({0, 90}).cast(VIPS_FORMAT_UCHAR), 4,
              bits(4)},
             {"pal8.tif", (x * 6).bandjoin_const({20, 200}).cast(VIPS_FORMAT_UCHAR), 8, bits(8)},
             {"rgb.bmp", rgb, 24},
             {"flat.gif", rgb, 8},  // even one colour counts as an 8-bit palette
             {"alpha.png", rgba, 32},
             {"rgb16.png", rgb.colourspace(VIPS_INTERPRETATION_RGB16), 48},
             {"rgba16.png", rgba.colourspace(VIPS_INTERPRETATION_RGB16), 64},
             {"rgb.heic", rgb, 24},
             {"rgba.heic", rgba, 32},
             {"rgb10.heic", rgb, 48, bits(10)}}) {
        const std::string file = dir / name;
        if (name.starts_with("pal") && !name.ends_with("png"))
            image.magicksave(file.c_str(), options);
        else
            image.write_to_file(file.c_str(), options);
        EXPECT_EQ(Make(file).BitDepth, depth) << name;
    }
    for (const char* name : {"rgb16.png", "flat.gif"})
        EXPECT_EQ(Make(dir / name).Fingerprint, Fingerprint(1024, (90 + 20 + 200) / 3)) << name;
}

TEST(Fingerprint, UnreadableOrTruncatedFilesLeaveAnEmptyFingerprintAndTheSizesAlone) {
    const TempDir dir;
    test::WriteTextFile(dir / "notes.jpg", "this is not a picture\n");
    test::WriteTextFile(dir / "empty.png", "");
    for (const char* name : {"cut.jpg", "cut.png", "cut.webp"}) {
        test::WritePatternPicture(dir / name, 800, 600, 2);
        const std::string whole = test::ReadFile(dir / name);
        test::WriteTextFile(dir / name, whole.substr(0, whole.size() / 2));
    }
    for (const char* name :
         {"notes.jpg", "empty.png", "missing.png", ".", "cut.jpg", "cut.png", "cut.webp"})
        EXPECT_FALSE(MakeFingerprint(dir / name)) << name;
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
    const auto ramp = [&](int width, int height) {
        const std::string file = dir / (std::to_string(width) + ".png");
        VImage::grey(width, height, VImage::option()->set("uchar", true))
            .pngsave(file.c_str(), VImage::option()
                                       ->set("compression", 0)
                                       ->set("filter", VIPS_FOREIGN_PNG_FILTER_NONE));
        return Make(file);
    };
    const Dubl big = ramp(12000, 9000);
    EXPECT_EQ(std::pair(big.PicWidth, big.PicHeight), std::pair(12000, 9000));
    const Fingerprint small = ramp(1200, 900).Fingerprint;
    ASSERT_EQ(big.Fingerprint.size(), small.size());
    EXPECT_GE(std::inner_product(small.begin(), small.end(), big.Fingerprint.begin(), 0,
                                 std::plus<>(), std::equal_to<>()),
              900);
    const auto shown = DecodeForDisplay(dir / "12000.png", 400, 300);
    EXPECT_TRUE(shown && shown->drawWidth == 400);
}

// A tiny picture is not enlarged and keeps its alpha; a thin line is too small to show. (Shrunk
// pictures: with the orientations.)
TEST(DecodeForDisplay, TinyPicturesAreNotEnlarged) {
    const TempDir dir;
    Flat(2, 1, {10, 20, 30, 40}).write_to_file((dir / "tiny.png").c_str());
    test::WriteFlatPicture(dir / "line.png", 1000, 3, 0, 0, 0);
    const auto tiny = DecodeForDisplay(dir / "tiny.png", 124, 124);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(std::pair(tiny->bands, tiny->pixels),
              std::pair(4, std::vector<std::uint8_t>{10, 20, 30, 40, 10, 20, 30, 40}));
    for (const char* name : {"line.png", "missing.png"})
        EXPECT_FALSE(DecodeForDisplay(dir / name, 124, 124)) << name;
}

// Pixels as libvips turns them upright for an orientation; cells are held bottom row first.
std::vector<std::uint8_t> Turned(const std::vector<std::uint8_t>& pixels, int width, int height,
                                 int bands, int orientation, bool cells = false) {
    VImage image = VImage::new_from_memory(const_cast<std::uint8_t*>(pixels.data()), pixels.size(),
                                           width, height, bands, VIPS_FORMAT_UCHAR)
                       .copy();
    image.set("orientation", orientation);
    return ImageBytes(
        cells ? image.flip(VIPS_DIRECTION_VERTICAL).autorot().flip(VIPS_DIRECTION_VERTICAL)
              : image.autorot());
}

// Each orientation, read by the direct JPEG path, libvips' (after a stray byte) or from a TIFF,
// gives the stored picture's cells and display (shrunk on load) turned upright, the sides
// swapped for 5 to 8 and the box fitted to the upright picture. Out of range is upright.
TEST(Orientation, PicturesAreTurnedUpright) {
    const TempDir dir;
    const VImage stored = Noise(400, 300, 3);
    std::map<std::string, Dubl> upright;
    std::vector<std::uint8_t> shown;
    for (const int orientation : {1, 2, 3, 4, 5, 6, 7, 8, 0, 9}) {
        SCOPED_TRACE(orientation);
        VImage tagged = stored.copy();
        tagged.set("orientation", orientation);
        tagged.jpegsave((dir / "o.jpg").c_str());
        tagged.tiffsave((dir / "o.tif").c_str());
        std::string bytes = test::ReadFile(dir / "o.jpg");
        test::WriteTextFile(dir / "stray.jpg", bytes.insert(2, 1, '\0'));
        const int turn = orientation % 9 ? orientation : 1;
        const bool swap = turn >= 5;
        for (const std::string name : {"o.jpg", "stray.jpg", "o.tif"}) {
            const Dubl made = Make(dir / name);
            if (turn == 1) upright.emplace(name, made);
            EXPECT_EQ(made.Fingerprint, Turned(upright[name].Fingerprint, 32, 32, 1, turn, true))
                << name;
            EXPECT_EQ(std::pair(made.PicWidth, made.PicHeight),
                      swap ? std::pair(300, 400) : std::pair(400, 300));
        }
        const auto display = DecodeForDisplay(dir / "o.jpg", 124, 124);
        const auto wide = DecodeForDisplay(dir / "o.jpg", 124, 62);
        ASSERT_TRUE(display && wide);
        if (turn == 1) shown = display->pixels;
        EXPECT_EQ(display->pixels, Turned(shown, 124, 93, 3, turn));
        EXPECT_EQ(std::tuple(wide->width, wide->drawWidth, wide->drawHeight, wide->pixels.size()),
                  std::tuple(swap ? 300 : 400, swap ? 46 : 83, 62, (swap ? 46u : 83u) * 62 * 3));
    }
}

// A damaged or cut EXIF block is read no further than its end and counts as upright.
TEST(Orientation, DamagedExifBlocksAreUpright) {
    const std::string tiff("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0", 22);
    std::string asLong = tiff, wrongMagic = tiff, farDirectory = tiff;
    asLong.replace(12, 10, std::string("\0\x04\0\0\0\x01\0\0\0\x06", 10));
    wrongMagic[3] = farDirectory[6] = '\x2b';
    // The first three are readable.
    const std::string blocks[] = {tiff,       std::string("Exif\0\0", 6) + tiff,
                                  asLong,     tiff.substr(0, 19),
                                  wrongMagic, farDirectory,
                                  ""};
    for (std::size_t i = 0; i < std::size(blocks); ++i) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(blocks[i].data());
        EXPECT_EQ(ExifOrientation(bytes, blocks[i].size()), i < 3 ? 6 : 1) << i;
    }
}

TEST(JpegDecode, FingerprintsAreThoseOfTheLibvipsWay) {
    const TempDir dir;
    struct Case {
        const char* name;
        int width, height, bands;
        vips::VOption* options;
    };
    const Case cases[] = {
        {"grey, shrunk by 8", 4090, 4089, 1, VImage::option()},
        {"shrunk by 4, sizes not divisible", 2050, 2061, 3, VImage::option()},
        {"not shrunk, no chroma subsampling", 600, 515, 3,
         VImage::option()->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_OFF)},
        {"progressive, shrunk by 2", 1100, 1030, 3, VImage::option()->set("interlace", true)},
        {"restart markers", 500, 300, 3, VImage::option()->set("restart_interval", 3)},
        {"smaller than the grid", 20, 12, 3, VImage::option()},
        {"with a colour profile", 600, 500, 3, VImage::option()->set("profile", "srgb")},
        {"CMYK", 300, 300, 4, VImage::option()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VImage image = Noise(c.width, c.height, c.bands);
        if (c.bands == 4)
            image = image.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
        const std::string file = dir / "case.jpg";
        image.jpegsave(file.c_str(), c.options);
        const Dubl made = Make(file);
        EXPECT_EQ(std::tuple(made.Fingerprint.size(), made.PicWidth, made.PicHeight),
                  std::tuple(1024u, c.width, c.height));
        EXPECT_EQ(made.Fingerprint, test::ReferenceFingerprint(file));
        EXPECT_TRUE(c.bands == 4 || made.BitDepth == 8 * c.bands) << made.BitDepth;
        std::string bytes = test::ReadFile(file);
        test::WriteTextFile(file, bytes.insert(2, 1, '\0'));  // the general path
        EXPECT_EQ(Make(file).Fingerprint, made.Fingerprint);
    }
}

TEST(JpegDecode, DamagedFilesEndAsTheyDoInLibvips) {
    const TempDir dir;
    const std::string whole = dir / "whole.jpg";
    Noise(900, 700, 3).jpegsave(whole.c_str());
    const std::string bytes = test::ReadFile(whole);
    std::string scrambled = bytes;
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 40; ++i) scrambled[i] ^= 0x5A;
    // Cut in the scan, before the last row's strip ends, before the end marker, in the first
    // marker, after it, in the markers and in the tables; scrambled scan data still decodes.
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() / 2), bytes.substr(0, bytes.size() - 200),
          bytes.substr(0, bytes.size() - 2), bytes.substr(0, 1), bytes.substr(0, 2),
          bytes.substr(0, 5), bytes.substr(0, 40), scrambled}) {
        SCOPED_TRACE(damaged.size());
        test::WriteTextFile(dir / "damaged.jpg", damaged);
        const Fingerprint made = Make(dir / "damaged.jpg").Fingerprint;
        EXPECT_EQ(made.empty(), damaged != scrambled);
        EXPECT_EQ(made, test::ReferenceFingerprint(dir / "damaged.jpg"));
    }
}

// A photo-like picture: blurred discs of colour on gradients, with fine noise on top.
VImage PhotoLike(int side) {
    std::mt19937 random(1);
    const VImage xyz = VImage::xyz(side, side) * (255.0 / side), x = xyz[0], y = xyz[1];
    VImage image = x.bandjoin(y).bandjoin(x * 0.5 + y * 0.5).copy_memory();
    for (int i = 0; i < 12; ++i) {
        const std::vector<double> ink = {double(random() % 256), double(random() % 256),
                                         double(random() % 256)};
        image.draw_circle(ink, random() % side, random() % side, 20 + random() % (side / 5),
                          VImage::option()->set("fill", true));
    }
    const VImage noise =
        VImage::gaussnoise(side, side, VImage::option()->set("sigma", 25.0)->set("seed", 1))
            .gaussblur(0.8);
    return (image.gaussblur(side / 300.0) + noise.bandjoin(noise).bandjoin(noise))
        .cast(VIPS_FORMAT_UCHAR)
        .copy_memory();
}

// A steady reduction: half- and quarter-size copies of a photo keep nearly every cell. The
// copies are resized in floating point and rounded once, as picture editors do.
TEST(Fingerprint, SmallerCopiesOfAPhotoKeepTheirCells) {
    const TempDir dir;
    const VImage photo = PhotoLike(1200);
    photo.write_to_file((dir / "full.tif").c_str());
    const Fingerprint full = Make(dir / "full.tif").Fingerprint;
    ASSERT_EQ(full.size(), 1024u);
    for (const auto& [scale, least] : {std::pair{0.5, 0.9}, {0.25, 0.85}}) {
        photo.cast(VIPS_FORMAT_FLOAT)
            .resize(scale)
            .round(VIPS_OPERATION_ROUND_RINT)
            .cast(VIPS_FORMAT_UCHAR)
            .write_to_file((dir / "copy.tif").c_str());
        const Fingerprint copy = Make(dir / "copy.tif").Fingerprint;
        ASSERT_EQ(copy.size(), full.size());
        EXPECT_GE(std::inner_product(full.begin(), full.end(), copy.begin(), 0, std::plus<>(),
                                     std::equal_to<>()),
                  least * 1024)
            << scale;
    }
}

}  // namespace
}  // namespace morvane
