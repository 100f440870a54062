// The canvas cap holds for every picture size, rounding included.
#include <gtest/gtest.h>

#include "engine/metafile_render.h"
#include "engine/metafile_writer.h"

namespace morvane {
namespace {

using test::EmfWriter;

void ExpectWithinCap(int width, int height) {
    const auto picture = RenderMetafile(EmfWriter(width, height).Finish());
    ASSERT_TRUE(picture) << width << "x" << height;
    EXPECT_LE(picture->image.width(), kMaxMetafileSide);
    EXPECT_LE(picture->image.height(), kMaxMetafileSide);
    EXPECT_LE(std::int64_t{picture->image.width()} * picture->image.height(), kMaxMetafilePixels)
        << width << "x" << height << " drawn at " << picture->image.width() << "x"
        << picture->image.height();
}

// Found by fuzzing: 20000 x 15000 scaled to 4730 x 3547, 94 pixels past the cap.
TEST(MetafileCanvas, SidesRoundedUpStayWithinThePixelCap) {
    ExpectWithinCap(20000, 15000);
    ExpectWithinCap(20000, 15011);
    ExpectWithinCap(20000, 17003);
}

TEST(MetafileCanvas, LongThinPicturesKeepAtLeastOnePixelAcross) {
    for (const auto& [width, height] : {std::pair{800000, 1}, std::pair{1, 800000}}) {
        const auto picture = RenderMetafile(EmfWriter(width, height).Finish());
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, width);
        EXPECT_GE(std::min(picture->image.width(), picture->image.height()), 1);
        EXPECT_EQ(std::max(picture->image.width(), picture->image.height()), kMaxMetafileSide);
    }
}

}  // namespace
}  // namespace morvane
