#include "files/disposal.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/move.h"
#include "support/temp_dir.h"
#include "trash_home.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteTextFile;

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A temporary folder in memory (tmpfs), usually another file system than the TempDir's.
class ShmDir {
  public:
    ShmDir() {
        std::string pattern = "/dev/shm/morvane-test-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ShmDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

bool SameFileSystem(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

TEST(CreateFolderPath, TakesAnExistingFolderAndRefusesAFileInThePath) {
    const TempDir dir;
    EXPECT_TRUE(CreateFolderPath(dir.path().string()));  // already there
    EXPECT_FALSE(CreateFolderPath(""));
    WriteTextFile(dir / "file", "x");
    EXPECT_FALSE(CreateFolderPath(dir / "file/sub"));
}

TEST(NumberedName, NumberGoesBeforeTheLastExtension) {
    EXPECT_EQ(NumberedName("name.jpg", 1), "name.jpg");
    EXPECT_EQ(NumberedName("name.jpg", 2), "name (2).jpg");
    EXPECT_EQ(NumberedName("photo.tar.gz", 3), "photo.tar (3).gz");
    EXPECT_EQ(NumberedName("README", 2), "README (2)");
    EXPECT_EQ(NumberedName(".hidden", 2), ".hidden (2)");
}

TEST(DisposeFile, MoveIntoMissingNestedFolderWithOrWithoutSeparator) {
    const TempDir dir;
    WriteTextFile(dir / "one.jpg", "first");
    WriteTextFile(dir / "two.jpg", "second");
    for (const std::string& folder : {dir / "out/a/b/", dir / "out/a/b"}) {
        const std::string name = folder.back() == '/' ? "one.jpg" : "two.jpg";
        const DisposalResult result = DisposeFile(dir / name, DisposalWay::MoveToFolder, folder);
        EXPECT_TRUE(result.removed) << result.message;
        EXPECT_TRUE(result.message.empty());
        EXPECT_EQ(result.movedTo, dir / ("out/a/b/" + name));
        EXPECT_FALSE(fs::exists(dir / name));
    }
    EXPECT_EQ(ReadFile(dir / "out/a/b/one.jpg"), "first");
    EXPECT_EQ(ReadFile(dir / "out/a/b/two.jpg"), "second");
}

TEST(DisposeFile, MoveNeverReplacesAFileOfTheSameName) {
    const TempDir dir;
    for (const char* folder : {"left", "right", "out"}) fs::create_directories(dir / folder);
    WriteTextFile(dir / "out/pic.jpg", "already there");
    WriteTextFile(dir / "left/pic.jpg", "from left");
    WriteTextFile(dir / "right/pic.jpg", "from right");
    EXPECT_EQ(DisposeFile(dir / "left/pic.jpg", DisposalWay::MoveToFolder, dir / "out").movedTo,
              dir / "out/pic (2).jpg");
    EXPECT_EQ(DisposeFile(dir / "right/pic.jpg", DisposalWay::MoveToFolder, dir / "out").movedTo,
              dir / "out/pic (3).jpg");
    EXPECT_EQ(ReadFile(dir / "out/pic.jpg"), "already there");
    EXPECT_EQ(ReadFile(dir / "out/pic (2).jpg"), "from left");
    EXPECT_EQ(ReadFile(dir / "out/pic (3).jpg"), "from right");
    EXPECT_TRUE(fs::is_empty(dir / "left"));
    EXPECT_TRUE(fs::is_empty(dir / "right"));
}

TEST(DisposeFile, MoveAcrossFileSystemsCopiesFlushesAndRemoves) {
    const TempDir dir;
    const ShmDir shm;
    if (shm.path().empty()) GTEST_SKIP() << "no /dev/shm to make a folder in";
    if (SameFileSystem(shm.path(), dir.path().string()))
        GTEST_SKIP() << "/dev/shm and the temporary folder share one file system here";
    const std::string source = shm.path() + "/pic.jpg";
    const std::string second = shm.path() + "/second.jpg";
    const std::string content(3 * 1024 * 1024 + 17, 'q');  // more than one copy block
    WriteTextFile(source, content);
    WriteTextFile(second, "second");
    ::chmod(source.c_str(), 0640);
    const fs::file_time_type stamp = fs::last_write_time(source) - std::chrono::hours(48);
    fs::last_write_time(source, stamp);
    fs::create_directories(dir / "out");
    WriteTextFile(dir / "out/second.jpg", "kept");

    const DisposalResult moved = DisposeFile(source, DisposalWay::MoveToFolder, dir / "out/");
    EXPECT_TRUE(moved.removed) << moved.message;
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(ReadFile(dir / "out/pic.jpg"), content);
    EXPECT_EQ(fs::last_write_time(dir / "out/pic.jpg"), stamp);
    EXPECT_EQ(fs::status(dir / "out/pic.jpg").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const DisposalResult renamed = DisposeFile(second, DisposalWay::MoveToFolder, dir / "out");
    EXPECT_EQ(renamed.movedTo, dir / "out/second (2).jpg");
    EXPECT_EQ(ReadFile(dir / "out/second.jpg"), "kept");
    EXPECT_EQ(ReadFile(dir / "out/second (2).jpg"), "second");
    EXPECT_TRUE(fs::is_empty(shm.path()));
}

TEST(DisposeFile, MoveWithoutAFolderOrWithinItsFolderMovesNothing) {
    const TempDir dir;
    WriteTextFile(dir / "pic.jpg", "x");
    for (const std::string& folder : {std::string(), std::string("   "), dir.path().string()}) {
        const DisposalResult result =
            DisposeFile(dir / "pic.jpg", DisposalWay::MoveToFolder, folder);
        EXPECT_FALSE(result.removed) << folder;
        EXPECT_NE(result.message.find(dir / "pic.jpg"), std::string::npos) << result.message;
    }
    EXPECT_EQ(Names(dir.path().string()), std::vector<std::string>{"pic.jpg"});
}

// The original path as the trash's information file records it (percent-encoded).
std::string RecordedPath(const std::string& infoFile) {
    const std::string info = ReadFile(infoFile);
    const std::size_t start = info.find("\nPath=") + 6;
    const std::string escaped = info.substr(start, info.find('\n', start) - start);
    char* const raw = g_uri_unescape_string(escaped.c_str(), nullptr);
    const std::string path = raw ? raw : "";
    g_free(raw);
    return path;
}

// Names that an information file must encode to restore them: a line break, a "%", spaces,
// Cyrillic, and bytes that are not UTF-8.
TEST(DisposeFile, TrashRecordsEveryNameSoThatItRestoresToItsOwnPlace) {
    const TempDir dir;
    const std::string names[] = {"line\nbreak.jpg", "100%25.jpg", "with  space.jpg",
                                 "\xd1\x84\xd0\xbe\xd1\x82\xd0\xbe.jpg", "caf\xe9.jpg"};
    for (const std::string& name : names) {
        WriteTextFile(dir / name, name);
        const DisposalResult result = DisposeFile(dir / name, DisposalWay::Trash, "");
        EXPECT_TRUE(result.removed && !fs::exists(dir / name)) << result.message;
    }
    std::vector<std::string> restored;  // each entry's recorded path, checked against its file
    for (const auto& entry : fs::directory_iterator(test::kTrashHome.Folder("info"))) {
        const std::string path = RecordedPath(entry.path().string());
        if (path.rfind(dir.path().string(), 0) != 0) continue;  // another test's entry
        const std::string stored = test::kTrashHome.Folder("files/") + entry.path().stem().string();
        EXPECT_EQ(ReadFile(stored), fs::path(path).filename().string()) << path;
        restored.push_back(path);
    }
    std::sort(restored.begin(), restored.end());
    std::vector<std::string> expected;
    for (const std::string& name : names) expected.push_back(dir / name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(restored, expected);
}

TEST(DisposeFile, TrashWithoutATrashFolderLeavesTheFileInPlace) {
    const TempDir dir;
    WriteTextFile(dir / "pic.jpg", "picture");
    // A file where the trash folder would be: GIO can neither use nor make one.
    const fs::path trash = fs::path(test::kTrashHome.Folder("")).parent_path();
    fs::create_directories(trash.parent_path());
    const bool hadTrash = fs::exists(trash);
    if (hadTrash) fs::rename(trash, trash.string() + "-aside");
    WriteTextFile(trash.string(), "not a folder");
    const DisposalResult result = DisposeFile(dir / "pic.jpg", DisposalWay::Trash, "");
    fs::remove(trash);
    if (hadTrash) fs::rename(trash.string() + "-aside", trash);
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.message.rfind("Не могу переместить файл в корзину!\n" + dir / "pic.jpg", 0),
              0u)
        << result.message;
    EXPECT_EQ(ReadFile(dir / "pic.jpg"), "picture");
}

TEST(DisposeFile, NoWayFoldersAndMissingPathsAreLeftAloneAndAWipeRemoves) {
    const TempDir dir;
    WriteTextFile(dir / "pic.jpg", "x");
    fs::create_directories(dir / "folder");
    WriteTextFile(dir / "folder/inside.jpg", "y");
    const DisposalResult none = DisposeFile(dir / "pic.jpg", DisposalWay::None, dir / "out");
    EXPECT_FALSE(none.removed);
    EXPECT_TRUE(none.message.empty());
    for (const auto way : {DisposalWay::MoveToFolder, DisposalWay::Trash, DisposalWay::Wipe}) {
        for (const std::string& path : {dir / "folder", dir / "folder/", dir / "missing.jpg"}) {
            const DisposalResult result = DisposeFile(path, way, dir / "out");
            EXPECT_FALSE(result.removed) << path;
            EXPECT_TRUE(result.message.empty()) << path;
        }
    }
    EXPECT_EQ(Names(dir.path().string()), (std::vector<std::string>{"folder", "pic.jpg"}));
    EXPECT_EQ(ReadFile(dir / "folder/inside.jpg"), "y");
    const DisposalResult wiped = DisposeFile(dir / "pic.jpg", DisposalWay::Wipe, "");
    EXPECT_TRUE(wiped.removed && wiped.message.empty()) << wiped.message;
    EXPECT_EQ(Names(dir.path().string()), std::vector<std::string>{"folder"});
}

}  // namespace
}  // namespace morvane
