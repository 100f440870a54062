// SPDX-License-Identifier: GPL-3.0-or-later
// The walk of a picture folder and the masks that choose its files.
#include "files/walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "files/masks.h"
#include "files/unique_fd.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// One mask text, the names it must take and those it must refuse.
struct MatchCase {
    const char* masks;
    Names match, refuse;
};

TEST(MaskList, PatternLanguage) {
    const std::string manyA(2000, 'a');  // exponential backtracking would never finish these
    // clang-format off
    const MatchCase cases[] = {
        // Case folds; the whole name counts; pieces are not trimmed; an empty piece or an
        // empty text matches no real name. Only ASCII digits count for "#". One "?" is one
        // character, Cyrillic and outside the BMP too.
        {"*.jpg;*.jpeg", {"PHOTO.JPG", "photo.Jpeg"}, {"photo.jpg.txt", "photojpg"}},
        {"*.jpg; *.png", {" a.png", "a.jpg"}, {"a.png"}}, {"*.jpg;", {"a.jpg"}, {"a.png", " "}},
        {"", {}, {"a.jpg", ""}}, {"a?c", {"abc", "aжc", "a😀c"}, {"ac", "abbc"}},
        {"img##.bmp", {"IMG07.BMP"}, {"IMGA7.BMP", "img7.bmp", "img##.bmp", "img\xd9\xa1\xd9\xa2.bmp"}},
        {"*.*", {".hidden", "a."}, {"README"}}, {"*", {"README", ".x", "фото", "caf\xe9.jpg"}, {}},
        // Lists and ranges; ranges follow code order after upper-casing; a dash first or last
        // is itself.
        {"[ab]*.gif", {"a1.gif", "B.GIF"}, {"c.gif"}}, {"[!0-9]*", {"x1"}, {"1x"}},
        {"[a-c]#", {"B1"}, {"d1"}}, {"[а-я]*", {"ж.jpg"}, {"z.jpg"}}, {"[-a]", {"-", "A"}, {"b"}},
        {"[a-]", {"-", "A"}, {"b"}}, {"[!-a]", {"b"}, {"-"}}, {"[a-c-]", {"-", "b"}, {}},
        // An unclosed "[" is an ordinary character; a descending range holds nothing, the
        // rest still counts; an empty list matches nothing, a negated one any character.
        {"[ab*", {"[abc"}, {"abc"}}, {"*[", {"x["}, {}}, {"[z-ax]", {"x"}, {"m"}},
        {"a[]", {}, {"ab"}}, {"a[!]", {"ab"}, {}},
        // Cyrillic folds both ways; "ß" has no one-character capital: one "?".
        {"ФОТО.JPG", {"фото.jpg"}, {"foto.jpg"}}, {"фото*;*ё*", {"ФОТО_1.JPG", "ЁЛКА.png"}, {}},
        {"stra?e.png", {"STRAßE.PNG"}, {}}, {"stra??e.png", {}, {"straße.png"}},
        {"STRAßE.*", {"straße.png"}, {}},
        // Bytes that are not UTF-8: Latin-1, stray bytes, a cut-off sequence.
        {"*.jpg", {"caf\xe9.jpg", "\xff\xfe\x80.jpg", "\xd0.jpg"}, {}},
        {"caf?.JPG", {"caf\xe9.jpg"}, {"caf\xe9.png"}},
        {"*a*a*a*a*a*a*a*a*a*a*a*a*b", {}, {manyA}}, {"*a*a*a*a*a*a*a*a*a*a*a*a*a", {manyA}, {}},
        {"**a**?**", {manyA}, {}},
    };
    // clang-format on
    for (const MatchCase& c : cases) {
        MaskList masks;
        masks.SetMasks(c.masks);
        for (const bool match : {true, false})
            for (const std::string& name : match ? c.match : c.refuse)
                EXPECT_EQ(masks.MatchesMask(name), match) << c.masks << " / " << name;
    }
    // Split at every ";", empty pieces kept: the upper index of the list.
    MaskList masks;
    // clang-format off
    const std::pair<const char*, int> uppers[] = {
        {"*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf", 6}, {"*.jpg;", 1}, {";;", 2}, {"*.jpg", 0},
        {"", -1}};
    // clang-format on
    for (const auto& [text, upper] : uppers) EXPECT_EQ(masks.SetMasks(text), upper) << text;
    EXPECT_EQ(masks.UpperIndex(), -1);
}

// What the walk appends to `list`.
Names Collect(const std::string& root, std::string_view maskText, bool recurse = true,
              const std::atomic<bool>* running = nullptr, Names list = {}) {
    MaskList masks;
    masks.SetMasks(maskText);
    CollectFiles(root, recurse, masks, list, running);
    return list;
}

// A file of that relative path under the root, its folders made as needed.
void Touch(const std::string& root, const std::string& relative) {
    fs::create_directories(fs::path(root + relative).parent_path());
    test::WriteTextFile(root + relative, "x");
}

class CollectFilesTest : public ::testing::Test {
  protected:
    const test::TempDir dir;
    const std::string root = dir.path().string() + "/";
};

// Each folder sorted by name as the masks fold it, then by its bytes, whatever order the
// names were made in; folders stand among the files, depth first, pre-order.
TEST_F(CollectFilesTest, SortedByNameDepthFirstWithRelativePaths) {
    // x.jpg is a folder named like a picture; "\xe9" and "\xff" are not UTF-8.
    for (const char* name :
         {"y.jpg", "\xff.jpg", "b.jpg", "Я.jpg", "a.jpg", "z.txt", "\xe9.jpg", ".hidden.jpg",
          "x.jpg/inner.jpg", "B.jpg", "x.jpg/deeper/d.jpg", "ж.jpg", "C.jpg"})
        Touch(root, name);
    fs::create_directory(root + "empty");
    EXPECT_EQ(Collect(root, "*.jpg"),
              Names({".hidden.jpg", "a.jpg", "B.jpg", "b.jpg", "C.jpg", "x.jpg/deeper/d.jpg",
                     "x.jpg/inner.jpg", "y.jpg", "ж.jpg", "Я.jpg", "\xe9.jpg", "\xff.jpg"}));
    EXPECT_EQ(Collect(root, "*.jpg", false).size(), 10u);  // only the top folder's files
}

TEST_F(CollectFilesTest, UnreadableFolderAddsNothingAndTheWalkGoesOn) {
    if (::geteuid() == 0) GTEST_SKIP() << "folder rights do not bind the superuser";
    for (const std::string name : {"a", "b", "c", "d"}) Touch(root, name + "/p.jpg");
    ASSERT_EQ(::chmod((root + "b").c_str(), 0), 0);
    EXPECT_EQ(Collect(root, "*.jpg"), Names({"a/p.jpg", "c/p.jpg", "d/p.jpg"}));
}

// Whichever way in the walk meets first names the files, also for a file with hard and soft
// links; a dangling link and a pipe give nothing (reading a pipe would block); a name the
// masks reject does not hide the same file's other name.
TEST_F(CollectFilesTest, EveryFolderAndFileIsTakenOnceByItsFirstName) {
    Touch(root, "sub/p.jpg");
    Touch(root, "sub/inner/q.jpg");
    fs::create_directory_symlink("..", root + "sub/inner/up");   // a loop
    fs::create_directory_symlink(root, root + "sub/toRoot");     // a loop to the root
    fs::create_directory_symlink(root + "sub", root + "again");  // a second way in
    EXPECT_EQ(Collect(root, "*.jpg"), Names({"again/inner/q.jpg", "again/p.jpg"}));
    fs::remove(root + "again");
    fs::create_hard_link(root + "sub/p.jpg", root + "hard.jpg");
    fs::create_symlink(root + "sub/p.jpg", root + "soft.jpg");
    fs::create_symlink(root + "gone.jpg", root + "dangling.jpg");
    ASSERT_EQ(::mkfifo((root + "pipe.jpg").c_str(), 0600), 0);
    Touch(root, "q.png");
    fs::create_hard_link(root + "q.png", root + "q.jpg");
    EXPECT_EQ(Collect(root, "*.jpg"), Names({"hard.jpg", "q.jpg", "sub/inner/q.jpg"}));
}

// Folders of 250-byte names, nested past the longest path that opens, each with a file: a
// file whose path is too long is counted, not taken, and so is the first folder that cannot
// be entered, its contents unseen.
TEST_F(CollectFilesTest, PathsTooLongToOpenAreCountedNotCollected) {
    const std::string name(250, 'd');
    std::vector<UniqueFd> folders;
    folders.emplace_back(::open(root.c_str(), O_RDONLY | O_DIRECTORY));
    Names expected;
    int tooLong = 1;  // the folder where the making stops
    for (std::string folder;; folder += name + "/") {
        const int fd = folders.back().Get();
        UniqueFd(::openat(fd, (name + ".jpg").c_str(), O_CREAT | O_WRONLY, 0600));
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0700), 0);
        folders.emplace_back(::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY));
        if (root.size() + folder.size() > kMaxPathBytes) break;
        const std::string file = folder + name + ".jpg";
        // A folder's own files come after its subfolder, whose name is their prefix.
        root.size() + file.size() <= kMaxPathBytes ? void(expected.insert(expected.begin(), file))
                                                   : void(++tooLong);
    }
    MaskList masks;
    masks.SetMasks("*.jpg");
    Names list;
    EXPECT_EQ(CollectFiles(root, true, masks, list), tooLong);
    EXPECT_EQ(list, expected);
    // Made short enough again for the folder's removal.
    ASSERT_EQ(::renameat(folders[8].Get(), name.c_str(), folders[0].Get(), "rest"), 0);
}

// The walk only appends; a root without its trailing separator gives the same paths.
TEST_F(CollectFilesTest, RootsMasksAndCancel) {
    Touch(root, "a.jpg");
    EXPECT_EQ(Collect(dir.path().string(), "*"), Names{"a.jpg"});
    EXPECT_EQ(Collect(root + "none/", "*", true, nullptr, {"kept"}), Names{"kept"});
    EXPECT_TRUE(Collect(root, "").empty());
    const std::atomic<bool> running{false};
    EXPECT_TRUE(Collect(root, "*", true, &running).empty());
}

}  // namespace
}  // namespace morvane
