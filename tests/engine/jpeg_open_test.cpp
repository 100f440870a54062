// JPEGs are opened once, at the shrink their frame header calls for, when the markers before
// the frame read as expected; otherwise through the general two-step open. Both must give the
// same picture, and the fingerprint's own JPEG decode must give the fingerprint of both.
#include <gtest/gtest.h>

#include <vips/vips8>

#include "engine/fingerprint.h"
#include "engine/imaging.h"
#include "engine/picture_table.h"
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

// libjpeg passes over a stray byte between markers with a warning, which a decode that fails
// only on errors ignores; the frame reader declines it, so this copy takes the general path.
void WriteWithStrayByte(const std::string& from, const std::string& to) {
    std::string bytes = test::ReadFile(from);
    ASSERT_EQ(bytes.compare(0, 2, "\xFF\xD8"), 0);
    bytes.insert(2, 1, '\0');
    test::WriteTextFile(to, bytes);
}

VImage Pattern(const TempDir& dir, int width, int height, unsigned seed) {
    const std::string png = dir / ("pattern" + std::to_string(seed) + ".png");
    test::WritePatternPicture(png, width, height, seed);
    return VImage::new_from_file(png.c_str());
}

struct Case {
    const char* name;
    int width;
    int height;
    std::int32_t depth;
};

TEST(JpegOpen, OneOpenGivesTheRecordOfTheGeneralPath) {
    ASSERT_TRUE(EnsureImagingStarted());
    const TempDir dir;
    const Case cases[] = {
        {"shrunk by 2", 2200, 1100, 24},     {"not shrunk", 300, 200, 24},
        {"progressive grey", 1500, 1300, 8}, {"with a colour profile", 1100, 2100, 24},
        {"restart markers", 1030, 1025, 24},
    };
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VImage image = Pattern(dir, c.width, c.height, seed++);
        auto options = VImage::option()->set("Q", 85);
        if (c.depth == 8) {
            image = image.colourspace(VIPS_INTERPRETATION_B_W);
            options->set("interlace", true);
        }
        if (std::string(c.name) == "with a colour profile") options->set("profile", "srgb");
        if (std::string(c.name) == "restart markers") options->set("restart_interval", 2);
        const std::string once = dir / ("once" + std::to_string(seed) + ".jpg");
        const std::string general = dir / ("general" + std::to_string(seed) + ".jpg");
        image.jpegsave(once.c_str(), options);
        WriteWithStrayByte(once, general);
        const Dubl made = Made(once);
        ASSERT_EQ(made.Fingerprint.size(), static_cast<std::size_t>(LastCell + 1));
        EXPECT_EQ(made.PicWidth, c.width);
        EXPECT_EQ(made.PicHeight, c.height);
        EXPECT_EQ(made.BitDepth, c.depth);
        EXPECT_EQ(made.Fingerprint, test::ReferenceFingerprint(once));
        EXPECT_EQ(made.Fingerprint, test::ReferenceFingerprint(general));
        const auto opened = OpenPicture(general, 512, 512);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->width, c.width);
        EXPECT_EQ(opened->height, c.height);
        EXPECT_EQ(opened->bitDepth, c.depth);
    }
}

TEST(JpegOpen, AFileCutInsideItsMarkersIsNoPicture) {
    ASSERT_TRUE(EnsureImagingStarted());
    const TempDir dir;
    const std::string whole = dir / "whole.jpg";
    Pattern(dir, 400, 300, 7).jpegsave(whole.c_str());
    const std::string bytes = test::ReadFile(whole);
    for (const std::size_t length :
         {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{40}}) {
        SCOPED_TRACE(length);
        test::WriteTextFile(dir / "cut.jpg", bytes.substr(0, length));
        EXPECT_TRUE(Made(dir / "cut.jpg").Fingerprint.empty());
        EXPECT_FALSE(OpenPicture(dir / "cut.jpg", 512, 512));
    }
}

}  // namespace
}  // namespace morvane
