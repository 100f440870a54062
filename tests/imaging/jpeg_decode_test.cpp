// The fingerprint decodes JPEGs itself: at every shrink it must give the fingerprint of
// libvips' own decode, on noise where a wrong row or column moves cells, and anything the JPEG
// path declines (a stray byte between markers sends it down the general two-step open) must
// still be decided the libvips way.
#include "imaging/fingerprint.h"

#include <gtest/gtest.h>

#include <vips/vips8>

#include "imaging/decode.h"
#include "imaging/picture_table.h"
#include "support/reference_fingerprint.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;
using vips::VImage;

// What the collection keeps of a picture: fingerprint, size, depth.
Dubl Made(const std::string& path) {
    Dubl record;
    MakeFingerprint(path, record.Fingerprint, GridSize, record.PicWidth, record.PicHeight,
                    record.BitDepth, kWhiteFill);
    return record;
}

// Noisy content with hard edges, made by libvips itself so large pictures stay quick.
VImage Noise(int width, int height, int bands) {
    EXPECT_TRUE(EnsureImagingStarted());
    VImage image = VImage::gaussnoise(width, height, VImage::option()->set("sigma", 70.0));
    for (int band = 1; band < bands; ++band)
        image = image.bandjoin(
            VImage::gaussnoise(width, height, VImage::option()->set("mean", 90.0 + 40 * band)));
    return image.cast(VIPS_FORMAT_UCHAR);
}

TEST(JpegDecode, FingerprintsAreThoseOfTheLibvipsWay) {
    const TempDir dir;
    struct Case {
        const char* name;
        int width, height, bands;
        vips::VOption* options;
    };
    const Case cases[] = {
        {"shrunk by 8", 4100, 4096, 3, VImage::option()},
        {"shrunk by 4, sizes not divisible", 2222, 3001, 3, VImage::option()},
        {"not shrunk, no chroma subsampling", 700, 515, 3,
         VImage::option()->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_OFF)},
        {"progressive grey", 1500, 1030, 1, VImage::option()->set("interlace", true)},
        {"restart markers", 1100, 900, 3, VImage::option()->set("restart_interval", 3)},
        {"smaller than the grid", 20, 12, 3, VImage::option()},
        {"with a colour profile", 1100, 2100, 3, VImage::option()->set("profile", "srgb")},
        {"CMYK", 600, 600, 4, VImage::option()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VImage image = Noise(c.width, c.height, c.bands);
        if (c.bands == 4)
            image = image.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
        const std::string file = dir / "case.jpg";
        image.jpegsave(file.c_str(), c.options);
        const Dubl made = Made(file);
        EXPECT_EQ(made.Fingerprint.size(), 1024u);
        EXPECT_EQ(made.Fingerprint, test::ReferenceFingerprint(file));
        EXPECT_EQ(std::pair(made.PicWidth, made.PicHeight), std::pair(c.width, c.height));
        EXPECT_TRUE(c.bands == 4 || made.BitDepth == 8 * c.bands) << made.BitDepth;
        std::string bytes = test::ReadFile(file);
        test::WriteTextFile(file, bytes.insert(2, 1, '\0'));  // the general path
        EXPECT_EQ(Made(file).Fingerprint, made.Fingerprint);
    }
}

TEST(JpegDecode, DamagedFilesEndAsTheyDoInLibvips) {
    const TempDir dir;
    const std::string whole = dir / "whole.jpg";
    Noise(900, 700, 3).jpegsave(whole.c_str());
    const std::string bytes = test::ReadFile(whole);
    std::string scrambled = bytes;
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 40; ++i) scrambled[i] ^= 0x5A;
    struct Case {
        const char* name;
        std::string bytes;
        bool readable;
    };
    const Case cases[] = {
        {"cut in the scan", bytes.substr(0, bytes.size() / 2), false},
        {"cut before the last row's strip ends", bytes.substr(0, bytes.size() - 200), false},
        {"scrambled scan data", scrambled, true},
        {"no end marker", bytes.substr(0, bytes.size() - 2), false},
        {"cut in the first marker", bytes.substr(0, 1), false},
        {"cut after the first marker", bytes.substr(0, 2), false},
        {"cut in the markers", bytes.substr(0, 5), false},
        {"cut in the tables", bytes.substr(0, 40), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteTextFile(dir / "damaged.jpg", c.bytes);
        const Fingerprint made = Made(dir / "damaged.jpg").Fingerprint;
        EXPECT_EQ(made.empty(), !c.readable);
        EXPECT_EQ(made, test::ReferenceFingerprint(dir / "damaged.jpg"));
    }
}

TEST(JpegDecode, OtherFormatsStreamThroughTheSameReduction) {
    const TempDir dir;
    const VImage colour = Noise(640, 480, 3);
    const VImage alpha = colour.bandjoin(Noise(640, 480, 1));
    const std::pair<std::string, VImage> cases[] = {{"colour.png", colour},
                                                    {"alpha.png", alpha},
                                                    {"grey.png", Noise(300, 900, 1)},
                                                    {"alpha.webp", alpha}};
    for (const auto& [name, image] : cases) {
        SCOPED_TRACE(name);
        const std::string file = dir / name;
        image.write_to_file(file.c_str());
        const Fingerprint made = Made(file).Fingerprint;
        EXPECT_EQ(made.size(), 1024u);
        EXPECT_EQ(made, test::ReferenceFingerprint(file));
    }
}

}  // namespace
}  // namespace morvane
