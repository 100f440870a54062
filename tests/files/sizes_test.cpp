#include "files/sizes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>

#include "support/temp_dir.h"

namespace morvane {
namespace {

constexpr std::int64_t kThreeGiB = 3LL << 30;
constexpr std::int32_t kMinLong = -2147483647 - 1;

TEST(WordPairs, NumberToHighAndLowAndBack) {
    EXPECT_EQ(HiLoToDouble(0, -1), 4294967295.0);
    EXPECT_EQ(HiLoToDouble(2, kMinLong), 10737418240.0);
    EXPECT_EQ(UnsignedToDouble(-1), 4294967295.0);
    const std::pair<double, std::int32_t> splits[] = {
        {4294967301.0, 5}, {2147483648.0, kMinLong}, {static_cast<double>(kThreeGiB), -1073741824}};
    for (const auto& [value, low] : splits) {
        std::int32_t high = -9;
        EXPECT_EQ(DoubleToHiLo(value, high), low) << value;
        EXPECT_EQ(HiLoToDouble(high, low), value);
    }
    // The bit pattern is kept, halves round to even.
    const double values[] = {2.5, 3.5, -2.5, 2147483647.0, 2147483648.0, 4294967295.0};
    const std::int32_t words[] = {2, 4, -2, 2147483647, kMinLong, -1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(DoubleToLong32(values[i]), words[i]) << values[i];
}

TEST(FileSizeByName, SmallMissingAndThreeGibibyteFiles) {
    const test::TempDir dir;
    test::WriteTextFile(dir / "empty.jpg", "");
    test::WriteTextFile(dir / "five.jpg", "12345");
    EXPECT_EQ(FileSizeByName(dir / "empty.jpg"), 0);
    EXPECT_EQ(FileSizeByName(dir / "five.jpg"), 5);
    for (const std::string& none : {dir / "missing.jpg", dir.path().string(), std::string()})
        EXPECT_EQ(FileSizeByName(none), -1) << none;
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
