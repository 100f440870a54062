#include "files/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvane {
namespace {

using namespace std::string_literals;
using test::TempDir;

TEST(PathExists, FolderWithTrailingSeparatorsAndSpaces) {
    const TempDir dir;
    const std::string tmp = dir / "tmp";
    std::filesystem::create_directory(tmp);
    for (const std::string& path : {tmp, tmp + "/", tmp + "///", "  " + tmp + "  "}) {
        EXPECT_TRUE(PathExists(path, true)) << path;
        EXPECT_FALSE(PathExists(path, false)) << path;
    }
}

TEST(PathExists, FilesMissingPathsAndTheRoot) {
    const TempDir dir;
    test::WriteTextFile(dir / "a.jpg", "x");
    EXPECT_TRUE(PathExists(dir / "a.jpg", false));
    EXPECT_FALSE(PathExists(dir / "a.jpg", true));
    EXPECT_FALSE(PathExists(dir / "none", true));
    EXPECT_FALSE(PathExists(dir / "none", false));
    EXPECT_FALSE(PathExists("", true));
    // No drives here: a bare "Q:" is just a name that does not exist.
    EXPECT_FALSE(PathExists("Q:", true));
    // Stripping the separators of "/" must not lose the root folder.
    EXPECT_TRUE(PathExists("/", true));
    EXPECT_TRUE(PathExists("///", true));
    EXPECT_FALSE(PathExists("  ", true));
}

TEST(TrailingSeparator, AddAndStrip) {
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("/a"), "/a/");
    EXPECT_EQ(AddTrailingBackslash("/a/"), "/a/");
    EXPECT_EQ(AddTrailingBackslash(" /a "), " /a /");
    EXPECT_EQ(StripTrailingBackslash("/a///"), "/a");
    EXPECT_EQ(StripTrailingBackslash("///"), "");
    EXPECT_EQ(StripTrailingBackslash("  /a/b/  "), "/a/b");
    EXPECT_EQ(StripTrailingBackslash("\t/a\t"), "\t/a\t");  // only spaces are trimmed
}

TEST(IsDriveSpec, TwoCharactersEndingInColon) {
    EXPECT_TRUE(IsDriveSpec("C:"));
    EXPECT_FALSE(IsDriveSpec("C:/"));
    EXPECT_FALSE(IsDriveSpec(":"));
    EXPECT_FALSE(IsDriveSpec("CD"));
}

TEST(TextHelpers, NulsFoldersAndUpperIndex) {
    EXPECT_EQ(TrimAtNul("abc\0def"s), "abc");
    EXPECT_EQ(TrimAtNul("\0abc"s), "");
    EXPECT_EQ(AppendNul("ab"), "ab\0"s);
    EXPECT_EQ(FolderOfPath("/a/b.txt"), "/a/");
    EXPECT_EQ(FolderOfPath("b.txt"), "");
    EXPECT_EQ(FolderOfPath("/b.txt"), "/");
    // A backslash is part of a name here, not a separator.
    EXPECT_EQ(FolderOfPath("/a/b\\c.txt"), "/a/");
    EXPECT_EQ(FolderOfPath("b\\c.txt"), "");
    EXPECT_EQ(UpperIndex(std::vector<std::uint8_t>{}), -1);
    EXPECT_EQ(UpperIndex(std::vector<std::string>(5)), 4);
}

}  // namespace
}  // namespace morvane
