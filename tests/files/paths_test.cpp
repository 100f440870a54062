#include "files/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvane {
namespace {

using namespace std::string_literals;

TEST(PathExists, FoldersFilesMissingPathsAndTheRoot) {
    const test::TempDir dir;
    const std::string tmp = dir / "tmp";
    std::filesystem::create_directory(tmp);
    test::WriteTextFile(dir / "a.jpg", "x");
    // "Q:" is just a name here (no drives); stripping the separators must not lose "/".
    const std::vector<std::string> folders{tmp, tmp + "///", "  " + tmp + "  ", "/", "///"};
    const std::vector<std::string> neither{dir / "none", "", "Q:", "  "};
    for (const std::string& path : folders)
        EXPECT_TRUE(PathExists(path, true) && !PathExists(path, false)) << path;
    for (const std::string& path : neither)
        EXPECT_FALSE(PathExists(path, true) || PathExists(path, false)) << path;
    EXPECT_TRUE(PathExists(dir / "a.jpg", false) && !PathExists(dir / "a.jpg", true));
}

TEST(PathHelpers, SeparatorsNulsAndFolders) {
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("/a"), "/a/");
    EXPECT_EQ(AddTrailingBackslash(" /a/"), " /a/");
    EXPECT_EQ(StripTrailingBackslash("///"), "");
    EXPECT_EQ(StripTrailingBackslash("  /a/b//  "), "/a/b");
    EXPECT_EQ(StripTrailingBackslash("\t/a\t"), "\t/a\t");  // only spaces are trimmed
    EXPECT_TRUE(IsDriveSpec("C:"));
    EXPECT_FALSE(IsDriveSpec("C:/") || IsDriveSpec(":") || IsDriveSpec("CD"));
    EXPECT_EQ(TrimAtNul("abc\0def"s), "abc");
    EXPECT_EQ(AppendNul("ab"), "ab\0"s);
    EXPECT_EQ(FolderOfPath("/b.txt"), "/");
    // A backslash is part of a name here, not a separator.
    EXPECT_EQ(FolderOfPath("/a/b\\c.txt"), "/a/");
    EXPECT_EQ(FolderOfPath("b\\c.txt"), "");
    EXPECT_EQ(UpperIndex(std::vector<std::string>(5)), 4);
}

}  // namespace
}  // namespace morvane
