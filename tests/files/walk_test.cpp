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

// A file of that relative path under the root, its folders made as needed.
void Touch(const std::string& root, const std::string& relative) {
    fs::create_directories(fs::path(root + relative).parent_path());
    test::WriteTextFile(root + relative, "x");
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

class CollectFilesTest : public ::testing::Test {
  protected:
    const test::TempDir dir;
    const std::string root = dir.path().string() + "/";
};

TEST_F(CollectFilesTest, ListedOrderDepthFirstWithRelativePaths) {
    // x.jpg is a folder named like a picture.
    for (const char* name : {"b.jpg", "a.jpg", "z.txt", ".hidden.jpg", "c.jpg", "x.jpg/inner.jpg",
                             "x.jpg/deeper/d.jpg"})
        Touch(root, name);
    fs::create_directory(root + "empty");
    Names expected;
    ExpectedWalk(root, "", expected);
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(Collect(root, "*.jpg"), expected);
    EXPECT_EQ(Collect(root, "*.jpg", false).size(), 4u);  // only the top folder's files
}

TEST_F(CollectFilesTest, UnreadableFolderAddsNothingAndTheWalkGoesOn) {
    if (::geteuid() == 0) GTEST_SKIP() << "folder rights do not bind the superuser";
    Names expected;
    for (const std::string name : {"a", "b", "c", "d"}) Touch(root, name + "/p.jpg");
    ASSERT_EQ(::chmod((root + "b").c_str(), 0), 0);
    for (const std::string& name : ListedOrder(root))
        if (name != "b") expected.push_back(name + "/p.jpg");
    EXPECT_EQ(Collect(root, "*.jpg"), expected);
}

TEST_F(CollectFilesTest, LinkLoopsAndSecondLinksToAFolderAreEnteredOnce) {
    Touch(root, "sub/p.jpg");
    Touch(root, "sub/inner/q.jpg");
    fs::create_directory_symlink("..", root + "sub/inner/up");   // a loop
    fs::create_directory_symlink(root, root + "sub/toRoot");     // a loop to the root
    fs::create_directory_symlink(root + "sub", root + "again");  // a second way in
    const Names list = Collect(root, "*.jpg");
    ASSERT_EQ(list.size(), 2u);
    // Whichever way in the walk met first names the files.
    const std::string via = list[0].substr(0, list[0].find('/'));
    EXPECT_TRUE(via == "sub" || via == "again");
    const Names expected{via + "/inner/q.jpg", via + "/p.jpg"};
    EXPECT_TRUE(std::is_permutation(list.begin(), list.end(), expected.begin()));
}

// Hard and soft links to one file give one entry (the first name met); a dangling link and
// a pipe give none (reading a pipe would block); a name the masks reject does not hide the
// same file's other name.
TEST_F(CollectFilesTest, OneRegularFileUnderSeveralNamesIsCollectedOnce) {
    Touch(root, "sub/p.jpg");
    fs::create_hard_link(root + "sub/p.jpg", root + "hard.jpg");
    fs::create_symlink(root + "sub/p.jpg", root + "soft.jpg");
    fs::create_symlink(root + "gone.jpg", root + "dangling.jpg");
    ASSERT_EQ(::mkfifo((root + "pipe.jpg").c_str(), 0600), 0);
    Touch(root, "q.png");
    fs::create_hard_link(root + "q.png", root + "q.jpg");
    // The first of the three names in the root's listed order stands for the file.
    const Names top = ListedOrder(root);
    const std::string first = *std::find_if(top.begin(), top.end(), [](const std::string& n) {
        return n == "sub" || n == "hard.jpg" || n == "soft.jpg";
    });
    const Names expected{first == "sub" ? "sub/p.jpg" : first, "q.jpg"};
    const Names list = Collect(root, "*.jpg");
    EXPECT_TRUE(std::is_permutation(list.begin(), list.end(), expected.begin(), expected.end()))
        << ::testing::PrintToString(list);
}

// The walk only appends; a root without its trailing separator gives the same paths.
TEST_F(CollectFilesTest, RootsMasksAndCancel) {
    Touch(root, "a.jpg");
    EXPECT_EQ(Collect(dir.path().string(), "*"), Names{"a.jpg"});
    Names list{"kept"};
    MaskList masks;
    masks.SetMasks("*");
    CollectFiles(root + "none/", true, masks, list);
    EXPECT_EQ(list, Names{"kept"});
    EXPECT_TRUE(Collect(root, "").empty());
    const std::atomic<bool> running{false};
    EXPECT_TRUE(Collect(root, "*", true, &running).empty());
}

}  // namespace
}  // namespace morvane
