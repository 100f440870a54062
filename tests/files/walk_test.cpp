// The walk of a picture folder and the masks that choose its files.
#include "files/walk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "files/masks.h"
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

// The names of a folder in the order the file system lists them (readdir's order).
Names ListedOrder(const std::string& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
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

TEST_F(CollectFilesTest, ListedOrderDepthFirstWithRelativePaths) {
    // x.jpg is a folder named like a picture.
    for (const char* name : {"b.jpg", "a.jpg", "z.txt", ".hidden.jpg", "c.jpg", "x.jpg/inner.jpg",
                             "x.jpg/deeper/d.jpg"})
        Touch(root, name);
    fs::create_directory(root + "empty");
    // Expected: the listed order, depth first, pre-order.
    Names expected;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().string().ends_with(".jpg"))
            expected.push_back(entry.path().string().substr(root.size()));
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
    // Whichever way in the walk met first names the files.
    Names list = Collect(root, "*.jpg");
    std::sort(list.begin(), list.end());
    EXPECT_TRUE(list == Names({"again/inner/q.jpg", "again/p.jpg"}) ||
                list == Names({"sub/inner/q.jpg", "sub/p.jpg"}))
        << ::testing::PrintToString(list);
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
    EXPECT_EQ(Collect(root + "none/", "*", true, nullptr, {"kept"}), Names{"kept"});
    EXPECT_TRUE(Collect(root, "").empty());
    const std::atomic<bool> running{false};
    EXPECT_TRUE(Collect(root, "*", true, &running).empty());
}

}  // namespace
}  // namespace morvane
