// SPDX-License-Identifier: GPL-3.0-or-later
// Path texts, existence and sizes of files, and the word pairs sizes are kept in.
#include "files/paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "files/sizes.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using namespace std::string_literals;
constexpr std::int64_t kThreeGiB = 3LL << 30;
constexpr std::int32_t kMinLong = -2147483647 - 1;

TEST(PathExists, FoldersFilesMissingPathsAndTheRoot) {
    const test::TempDir dir;
    const std::string tmp = dir.path().string();
    test::WriteTextFile(dir / "a.jpg", "x");
    // "Q:" is just a name here (no drives); stripping the separators must not lose "/".
    for (const std::string& path : {tmp, tmp + "///", "  " + tmp + "  ", "/"s, "///"s})
        EXPECT_TRUE(PathExists(path, true) && !PathExists(path, false)) << path;
    for (const std::string& path : {dir / "none", ""s, "Q:"s, "  "s})
        EXPECT_FALSE(PathExists(path, true) || PathExists(path, false)) << path;
    EXPECT_TRUE(PathExists(dir / "a.jpg", false) && !PathExists(dir / "a.jpg", true));
}

TEST(PathHelpers, SeparatorsNulsAndFolders) {
    // Only spaces are trimmed; a backslash is part of a name here, not a separator.
    // clang-format off
    const std::pair<std::string, std::string> texts[] = {
        {AddTrailingBackslash(""), ""}, {AddTrailingBackslash("/a"), "/a/"},
        {AddTrailingBackslash(" /a/"), " /a/"}, {StripTrailingBackslash("///"), ""},
        {StripTrailingBackslash("  /a/b//  "), "/a/b"}, {TrimAtNul("abc\0def"s), "abc"},
        {StripTrailingBackslash("\t/a\t"), "\t/a\t"}, {AppendNul("ab"), "ab\0"s},
        {FolderOfPath("/b.txt"), "/"}, {FolderOfPath("/a/b\\c.txt"), "/a/"},
        {FolderOfPath("b\\c.txt"), ""}};
    // clang-format on
    for (const auto& [got, expected] : texts) EXPECT_EQ(got, expected);
    EXPECT_TRUE(IsDriveSpec("C:"));
    EXPECT_FALSE(IsDriveSpec("C:/") || IsDriveSpec(":") || IsDriveSpec("CD"));
    EXPECT_EQ(UpperIndex(std::vector<std::string>(5)), 4);
}

// The low word counts unsigned.
TEST(WordPairs, NumberToHighAndLowAndBack) {
    // clang-format off
    const std::pair<double, std::int32_t> splits[] = {{0.0, 0}, {4294967301.0, 5},
        {2147483648.0, kMinLong}, {10737418240.0, kMinLong}, {kThreeGiB * 1.0, -1073741824}};
    // clang-format on
    for (const auto& [value, low] : splits) {
        std::int32_t high = -9;
        EXPECT_EQ(DoubleToHiLo(value, high), low) << value;
        EXPECT_EQ(HiLoToDouble(high, low), value);
    }
    // The bit pattern is kept, halves round to even.
    // clang-format off
    const std::pair<double, std::int32_t> words[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {2147483647.0, 2147483647}, {2147483648.0, kMinLong},
        {4294967295.0, -1}};
    // clang-format on
    for (const auto& [value, word] : words) EXPECT_EQ(DoubleToLong32(value), word) << value;
    // clang-format off
    const std::pair<double, double> rounded[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2},
        {-2.5, -2}, {4503599627370495.5, 4503599627370496.0}, {1e300, 1e300}};
    // clang-format on
    for (const auto& [value, whole] : rounded) EXPECT_EQ(RoundHalfEven(value), whole) << value;
}

TEST(FileSizeByName, SmallMissingAndThreeGibibyteFiles) {
    const test::TempDir dir;
    test::WriteTextFile(dir / "empty.jpg", "");
    test::WriteTextFile(dir / "five.jpg", "12345");
    // clang-format off
    const std::pair<std::string, std::int64_t> sizes[] = {
        {dir / "empty.jpg", 0}, {dir / "five.jpg", 5}, {dir / "missing.jpg", -1},
        {dir.path().string(), -1}, {"", -1}};
    // clang-format on
    for (const auto& [path, size] : sizes) EXPECT_EQ(FileSizeByName(path), size) << path;
    const std::string path = dir / "big.jpg";
    const int fd = ::open(path.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_EQ(::ftruncate(fd, kThreeGiB), 0);  // sparse: takes no disk space
    EXPECT_EQ(OpenFileSize(fd), kThreeGiB);
    ::close(fd);
    EXPECT_EQ(FileSizeByName(path), kThreeGiB);
    EXPECT_EQ(OpenFileSize(-1), -1);
}

}  // namespace
}  // namespace morvane
