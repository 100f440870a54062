// The canvas cap for every picture shape, and damaged bitmaps inside metafiles.
#include <gtest/gtest.h>

#include "metafile/dib.h"
#include "metafile/render.h"
#include "metafile_writer.h"

namespace morvane {
namespace {

using test::EmfWriter;

TEST(MetafileCanvas, LongThinPicturesKeepAtLeastOnePixelAcross) {
    for (const auto& [width, height] : {std::pair{800000, 1}, std::pair{1, 800000}}) {
        const auto picture = RenderMetafile(EmfWriter(width, height).Finish());
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, width);
        EXPECT_GE(std::min(picture->image.width(), picture->image.height()), 1);
        EXPECT_EQ(std::max(picture->image.width(), picture->image.height()), kMaxMetafileSide);
    }
}

// Damaged run-length pictures are cut short, never read or written out of bounds. The
// picture is 4 x 2; `expected` gives its palette indices top row first.
TEST(MetafileDib, DamagedRunLengthDataIsCutShort) {
    struct Case {
        int bitCount;
        std::vector<std::uint8_t> bits;
        const char* expected;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        test::Bytes info;
        info.U32(40).I32(4).I32(2).U16(1).U16(c.bitCount).U32(c.bitCount == 8 ? 1 : 2);
        info.U32(c.bits.size()).I32(0).I32(0).U32(4).U32(0);
        for (const std::uint32_t rgb : {0x000000, 0xFF0000, 0x00FF00, 0x0000FF})
            info.U8(rgb & 0xFF).U8(rgb >> 8 & 0xFF).U8(rgb >> 16).U8(0);
        std::int64_t budget = metafile::kMaxDibPixelsPerFile;
        const auto image = metafile::DecodeDib(metafile::ByteView(info.data()),
                                               metafile::ByteView(c.bits), budget);
        ASSERT_TRUE(image) << c.expected;
        std::string got;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const QRgb p = image->pixel(x, y);
                got += !qAlpha(p) ? '-' : qRed(p) ? '1' : qGreen(p) ? '2' : qBlue(p) ? '3' : '0';
            }
        EXPECT_EQ(got, c.expected);
    }
}

// A run-length picture of any size takes two bytes: a file's pictures share one budget.
TEST(MetafileDib, PicturesOfOneFileShareAPixelBudget) {
    test::Bytes info;
    info.U32(40).I32(100).I32(100).U16(1).U16(8).U32(1).U32(2).I32(0).I32(0).U32(1).U32(0);
    info.U32(0);
    const std::vector<std::uint8_t> endOfPicture = {0, 1};
    std::int64_t budget = 25'000;
    const auto decode = [&] {
        return metafile::DecodeDib(metafile::ByteView(info.data()),
                                   metafile::ByteView(endOfPicture), budget);
    };
    EXPECT_TRUE(decode());
    EXPECT_TRUE(decode());
    EXPECT_FALSE(decode());
    EXPECT_EQ(budget, 5'000);
}

}  // namespace
}  // namespace morvane
