#include "files/walk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteTextFile;
using Names = std::vector<std::string>;

// The names of a folder in the order the file system lists them (readdir's order).
Names ListedOrder(const std::string& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

Names Collect(const std::string& root, std::string_view maskText, bool recurse = true,
              const std::atomic<bool>* running = nullptr) {
    MaskList masks;
    masks.SetMasks(maskText);
    Names list;
    CollectFiles(root, recurse, masks, list, running);
    return list;
}
Names Collect(const TempDir& dir, std::string_view maskText, bool recurse = true) {
    return Collect(dir.path().string() + "/", maskText, recurse);
}

bool Contains(const Names& list, const std::string& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

// The expected list of a tree without links: readdir order, depth first, pre-order.
void ExpectedWalk(const std::string& root, const std::string& relative, Names& expected) {
    for (const std::string& name : ListedOrder(root + relative)) {
        const std::string path = relative + name;
        if (fs::is_directory(root + path))
            ExpectedWalk(root, path + "/", expected);
        else if (name.ends_with(".jpg"))
            expected.push_back(path);
    }
}

TEST(CollectFiles, ListedOrderDepthFirstWithRelativePaths) {
    const TempDir dir;
    const std::string root = dir.path().string() + "/";
    for (const char* name : {"b.jpg", "a.jpg", "z.txt", ".hidden.jpg", "c.jpg"})
        WriteTextFile(root + name, "x");
    fs::create_directories(root + "x.jpg/deeper");  // a folder named like a picture
    WriteTextFile(root + "x.jpg/inner.jpg", "x");
    WriteTextFile(root + "x.jpg/deeper/d.jpg", "x");
    fs::create_directory(root + "empty");

    Names expected;
    ExpectedWalk(root, "", expected);
    const Names list = Collect(dir, "*.jpg");
    EXPECT_EQ(list, expected);
    EXPECT_EQ(list.size(), 6u);
    EXPECT_TRUE(Contains(list, ".hidden.jpg"));
    EXPECT_TRUE(Contains(list, "x.jpg/deeper/d.jpg"));
    EXPECT_FALSE(Contains(list, "x.jpg"));

    // Without recursion only the top folder's files.
    const Names top = Collect(dir, "*.jpg", false);
    EXPECT_EQ(top.size(), 4u);
    EXPECT_FALSE(Contains(top, "x.jpg/inner.jpg"));
}

TEST(CollectFiles, UnreadableFolderAddsNothingAndTheWalkGoesOn) {
    if (::geteuid() == 0) GTEST_SKIP() << "folder rights do not bind the superuser";
    const TempDir dir;
    const std::string root = dir.path().string() + "/";
    for (const char* name : {"a", "b", "c", "d"}) {
        fs::create_directory(root + name);
        WriteTextFile(root + name + "/p.jpg", "x");
    }
    ASSERT_EQ(::chmod((root + "b").c_str(), 0), 0);
    Names expected;
    for (const std::string& name : ListedOrder(root))
        if (name != "b") expected.push_back(name + "/p.jpg");
    EXPECT_EQ(Collect(dir, "*.jpg"), expected);
}

TEST(CollectFiles, LinkLoopsAndSecondLinksToAFolderAreEnteredOnce) {
    const TempDir dir;
    const std::string root = dir.path().string() + "/";
    fs::create_directories(root + "sub/inner");
    WriteTextFile(root + "sub/p.jpg", "x");
    WriteTextFile(root + "sub/inner/q.jpg", "x");
    fs::create_directory_symlink("..", root + "sub/inner/up");   // a loop
    fs::create_directory_symlink(root, root + "sub/toRoot");     // a loop to the root
    fs::create_directory_symlink(root + "sub", root + "again");  // a second way in

    const Names list = Collect(dir, "*.jpg");
    ASSERT_EQ(list.size(), 2u);
    // Whichever way in the walk met first names the files.
    const std::string via = list[0].substr(0, list[0].find('/'));
    EXPECT_TRUE(via == "sub" || via == "again");
    EXPECT_TRUE(Contains(list, via + "/p.jpg"));
    EXPECT_TRUE(Contains(list, via + "/inner/q.jpg"));
}

TEST(CollectFiles, OneFileUnderSeveralNamesIsCollectedOnce) {
    const TempDir dir;
    const std::string root = dir.path().string() + "/";
    fs::create_directory(root + "sub");
    WriteTextFile(root + "sub/p.jpg", "x");
    fs::create_hard_link(root + "sub/p.jpg", root + "hard.jpg");
    fs::create_symlink(root + "sub/p.jpg", root + "soft.jpg");
    fs::create_symlink(root + "gone.jpg", root + "dangling.jpg");
    WriteTextFile(root + "other.jpg", "x");

    Names expected;  // the first name in walk order stands for the file
    ExpectedWalk(root, "", expected);
    const std::vector<std::string> names = {"sub/p.jpg", "hard.jpg", "soft.jpg"};
    const auto first =
        std::find_first_of(expected.begin(), expected.end(), names.begin(), names.end());
    ASSERT_NE(first, expected.end());
    const std::string kept = *first;
    std::erase_if(expected, [&](const std::string& path) {
        return path != kept && (Contains(names, path) || path == "dangling.jpg");
    });

    const Names list = Collect(dir, "*.jpg");
    EXPECT_EQ(list, expected);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(Contains(list, "other.jpg"));
}

// A pipe is not collected (reading it would block), and a name the masks reject does not
// hide the same file's other name.
TEST(CollectFiles, OnlyRegularFilesUnderANameTheMasksAccept) {
    const TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    WriteTextFile(dir / "p.png", "x");
    fs::create_hard_link(dir / "p.png", dir / "p.jpg");
    EXPECT_EQ(Collect(dir, "*.jpg"), Names{"p.jpg"});
}

// The walk only appends; a root without its trailing separator gives the same paths.
TEST(CollectFiles, RootsMasksAndCancel) {
    const TempDir dir;
    WriteTextFile(dir / "a.jpg", "x");
    EXPECT_EQ(Collect(dir.path().string(), "*"), Names{"a.jpg"});
    Names list{"kept"};
    MaskList masks;
    masks.SetMasks("*");
    CollectFiles(dir / "none/", true, masks, list);
    EXPECT_EQ(list, Names{"kept"});
    EXPECT_TRUE(Collect(dir, "").empty());
    const std::atomic<bool> running{false};
    EXPECT_TRUE(Collect(dir.path().string() + "/", "*", true, &running).empty());
}

}  // namespace
}  // namespace morvane
