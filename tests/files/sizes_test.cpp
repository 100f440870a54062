#include "files/sizes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>

#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;
using test::WriteTextFile;

constexpr std::int64_t kThreeGiB = 3LL << 30;

TEST(WordPairs, NumberToHighAndLowAndBack) {
    EXPECT_EQ(HiLoToDouble(0, -1), 4294967295.0);
    EXPECT_EQ(HiLoToDouble(1, 0), 4294967296.0);
    EXPECT_EQ(HiLoToDouble(2, -2147483647 - 1), 10737418240.0);
    EXPECT_EQ(UnsignedToDouble(-1), 4294967295.0);
    std::int32_t high = -9;
    EXPECT_EQ(DoubleToHiLo(4294967301.0, high), 5);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(DoubleToHiLo(2147483648.0, high), -2147483647 - 1);
    EXPECT_EQ(high, 0);
    // A 3 GiB offset and back.
    const std::int32_t low = DoubleToHiLo(static_cast<double>(kThreeGiB), high);
    EXPECT_EQ(HiLoToDouble(high, low), static_cast<double>(kThreeGiB));
}

TEST(WordPairs, DoubleToLong32KeepsTheBitPatternAndRoundsHalfToEven) {
    EXPECT_EQ(DoubleToLong32(2.5), 2);
    EXPECT_EQ(DoubleToLong32(3.5), 4);
    EXPECT_EQ(DoubleToLong32(-2.5), -2);
    EXPECT_EQ(DoubleToLong32(2147483647.0), 2147483647);
    EXPECT_EQ(DoubleToLong32(2147483648.0), -2147483647 - 1);
    EXPECT_EQ(DoubleToLong32(4294967295.0), -1);
}

TEST(FileSizeByName, EmptyMissingFolderAndSmallFile) {
    const TempDir dir;
    WriteTextFile(dir / "empty.jpg", "");
    WriteTextFile(dir / "five.jpg", "12345");
    EXPECT_EQ(FileSizeByName(dir / "empty.jpg"), 0);
    EXPECT_EQ(FileSizeByName(dir / "five.jpg"), 5);
    EXPECT_EQ(FileSizeByName(dir / "missing.jpg"), -1);
    EXPECT_EQ(FileSizeByName(dir.path().string()), -1);
    EXPECT_EQ(FileSizeByName(""), -1);
}

TEST(FileSizeByName, FilesOfThreeGibibytesHaveTheirTrueSize) {
    const TempDir dir;
    const std::string path = dir / "big.jpg";
    const int fd = ::open(path.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, kThreeGiB), 0);  // sparse: takes no disk space
    EXPECT_EQ(OpenFileSize(fd), kThreeGiB);
    ::close(fd);
    EXPECT_EQ(FileSizeByName(path), kThreeGiB);
    EXPECT_EQ(OpenFileSize(-1), -1);
}

}  // namespace
}  // namespace morvane
