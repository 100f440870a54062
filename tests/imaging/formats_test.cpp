// SPDX-License-Identifier: GPL-3.0-or-later
// Every format of the all-formats masks decodes, each from a sample made here; camera raw
// through LibRaw from a DNG written tag by tag, icons by their largest frame.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <numeric>

#include "files/masks.h"
#include "imaging/decode.h"
#include "imaging/fingerprint.h"
#include "imaging/raw_decode.h"
#include "run/defaults.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;
using vips::VImage;

// A grey ramp, dark on the left and light on the right.
VImage Ramp(int width, int height) {
    EXPECT_TRUE(EnsureImagingStarted());
    return (VImage::xyz(width, height)[0] * (180.0 / (width - 1)) + 40).cast(VIPS_FORMAT_UCHAR);
}

double MeanGrey(const std::string& path) {
    const auto made = MakeFingerprint(path);
    if (!made) return -1;
    return std::accumulate(made->Cells.begin(), made->Cells.end(), 0.0) / made->Cells.size();
}

// A bare DNG: one 16-bit RGGB mosaic of the grey picture (linear light, white at 4095) under
// an sRGB colour matrix and a neutral white balance, `orientation` as TIFF counts it.
void WriteDng(const std::string& path, const VImage& grey, int orientation = 1) {
    const int width = grey.width(), height = grey.height();
    std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpen(path.c_str(), "w"), &TIFFClose);
    ASSERT_TRUE(tiff);
    TIFF* t = tiff.get();
    const std::uint8_t version[4] = {1, 4, 0, 0}, backward[4] = {1, 1, 0, 0};
    const std::uint16_t repeat[2] = {2, 2};
    const std::uint8_t pattern[4] = {0, 1, 1, 2};
    const float xyzToSrgb[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f,
                                0.0415f, 0.0557f,  -0.2040f, 1.0570f};
    const float neutral[3] = {1, 1, 1};
    const std::uint32_t white[1] = {4095};
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, 32803);  // colour filter array
    TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(t, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(t, TIFFTAG_CFAPATTERN, 4, pattern);
    TIFFSetField(t, TIFFTAG_DNGVERSION, version);
    TIFFSetField(t, TIFFTAG_DNGBACKWARDVERSION, backward);
    TIFFSetField(t, TIFFTAG_UNIQUECAMERAMODEL, "Morvane Test");
    TIFFSetField(t, TIFFTAG_COLORMATRIX1, 9, xyzToSrgb);
    TIFFSetField(t, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    TIFFSetField(t, TIFFTAG_WHITELEVEL, 1, white);
    const std::vector<std::uint8_t> levels = ImageBytes(grey);
    std::vector<std::uint16_t> row(width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double v = levels[std::size_t(y) * width + x] / 255.0;  // sRGB to linear
            row[x] = std::uint16_t(std::lround(
                4095 * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4))));
        }
        ASSERT_EQ(TIFFWriteScanline(t, row.data(), y, 0), 1);
    }
}

// An icon of the given frames, each taken from an icon ImageMagick writes of one picture.
void WriteIcon(const std::string& path, const std::vector<VImage>& pictures) {
    std::string entries, data;
    const std::size_t start = 6 + 16 * pictures.size();
    for (const VImage& picture : pictures) {
        picture.magicksave((path + ".one").c_str(), VImage::option()->set("format", "ico"));
        const std::string one = test::ReadFile(path + ".one");
        std::string entry = one.substr(6, 16);
        const std::uint32_t offset = start + data.size();
        std::memcpy(entry.data() + 12, &offset, 4);
        entries += entry;
        data += one.substr(6 + 16);
    }
    const char header[6] = {0, 0, 1, 0, char(pictures.size()), 0};
    std::ofstream(path, std::ios::binary) << std::string(header, 6) << entries << data;
}

// The half-size demosaic of the sensor data comes out upright at the grey levels of the scene.
TEST(CameraRaw, DngDecodesToTheSceneUpright) {
    const TempDir dir;
    const VImage ramp = Ramp(64, 48);
    WriteDng(dir / "shot.dng", ramp, 6);  // stored turned a quarter left: shown turned right
    ramp.rot(VIPS_ANGLE_D90).jpegsave((dir / "shot.jpg").c_str());
    const auto raw = MakeFingerprint(dir / "shot.dng");
    ASSERT_TRUE(raw);
    EXPECT_EQ(std::pair(raw->Width, raw->Height), std::pair(48, 64));
    EXPECT_NEAR(MeanGrey(dir / "shot.dng"), MeanGrey(dir / "shot.jpg"), 10);
    // Bottom row first: the light end of the ramp is now at the bottom.
    EXPECT_GT(raw->Cells.front(), raw->Cells.back() + 100);
    // A damaged raw file is passed over.
    std::filesystem::resize_file(dir / "shot.dng", 2000);
    EXPECT_FALSE(MakeFingerprint(dir / "shot.dng"));
    EXPECT_FALSE(DecodeForDisplay(dir / "shot.dng", 64, 64));
}

TEST(Icon, TheLargestFrameIsThePicture) {
    const TempDir dir;
    const VImage small = Ramp(16, 16).bandjoin_const({0, 0}).cast(VIPS_FORMAT_UCHAR);
    const VImage large = Ramp(64, 64).rot(VIPS_ANGLE_D90);
    const VImage largeRgb = VImage::bandjoin({large, large, large});
    WriteIcon(dir / "two.ico", {small, largeRgb});
    largeRgb.pngsave((dir / "large.png").c_str());
    const auto icon = MakeFingerprint(dir / "two.ico");
    ASSERT_TRUE(icon);
    EXPECT_EQ(std::pair(icon->Width, icon->Height), std::pair(64, 64));
    EXPECT_EQ(icon->Cells, MakeFingerprint(dir / "large.png")->Cells);
}

// One sample of every format the masks name, written by libvips (ImageMagick for the bitmap
// formats), by hand for icons and SVG, by libtiff for DNG. Formats no Debian library writes
// (the other camera raws) and the metafiles, which have their own tests, are named and left.
TEST(Formats, EveryFormatDecodes) {
    const TempDir dir;
    const VImage ramp = Ramp(64, 48), rgb = VImage::bandjoin({ramp, ramp, ramp});
    struct Row {
        const char* extension;
        const char* savedAs = "";  // the name libvips chooses its saver by
        std::function<void(const std::string&)> write = {};
    };
    const auto svg = [](const std::string& path) {
        test::WriteTextFile(path,
                            R"(<svg xmlns="http://www.w3.org/2000/svg" width="64" )"
                            R"(height="48"><rect width="64" height="48" fill="#828282"/></svg>)");
    };
    // clang-format off
    const Row rows[] = {
        {"jpg", "jpg"}, {"jpeg", "jpg"}, {"jpe", "jpg"}, {"jfif", "jpg"}, {"png", "png"},
        {"bmp", "bmp"}, {"dib", "bmp"}, {"gif", "gif"}, {"webp", "webp"}, {"tif", "tif"},
        {"tiff", "tif"}, {"heic", "heic"}, {"heif", "heic"}, {"avif", "avif"}, {"jxl", "jxl"},
        {"ico", "", [&](const std::string& path) { WriteIcon(path, {rgb}); }}, {"svg", "", svg},
        {"dng", "", [&](const std::string& path) { WriteDng(path, ramp); }},
        {"wmf"}, {"emf"}, {"cr2"}, {"cr3"}, {"nef"}, {"arw"}, {"orf"}, {"rw2"}, {"raf"}, {"pef"}};
    // clang-format on
    MaskList masks;
    EXPECT_EQ(masks.SetMasks(kAllFormatsMasks) + 1, int(std::size(rows)));
    std::string left;
    for (const auto& [extension, savedAs, write] : rows) {
        SCOPED_TRACE(extension);
        const std::string path = dir / (std::string("sample.") + extension);
        EXPECT_TRUE(masks.MatchesMask(path));
        if (write) {
            write(path);
        } else if (*savedAs) {
            rgb.write_to_file(((dir / "saved.") + savedAs).c_str());
            std::filesystem::rename((dir / "saved.") + savedAs, path);
        } else {
            left += std::string(" ") + extension;
            continue;
        }
        const auto made = MakeFingerprint(path);
        ASSERT_TRUE(made);
        EXPECT_EQ(std::pair(made->Width, made->Height), std::pair(64, 48));
        EXPECT_NEAR(MeanGrey(path), ramp.avg(), 10);
        EXPECT_TRUE(DecodeForDisplay(path, 32, 32));
    }
    std::cout << "No sample of:" << left << "\n";
}

}  // namespace
}  // namespace morvane
