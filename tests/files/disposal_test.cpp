// Disposal of a duplicate by moving, trashing or wiping it, also when the world does not
// cooperate: nothing is lost that was not asked for, and what failed is reported.
#include "files/disposal.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "compare/grouping.h"
#include "files/move.h"
#include "review/review.h"
#include "support/read_only_folder.h"
#include "support/review_front_end.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteTextFile;

// The home folder and its trash in a temporary folder, set before any GLib call (GLib reads
// them once per process): the user's own trash is never touched.
const TempDir kHome;
[[maybe_unused]] const bool kHomeSet = ::setenv("HOME", kHome.path().c_str(), 1) == 0 &&
                                       ::setenv("XDG_DATA_HOME", (kHome / "data").c_str(), 1) == 0;
const std::string kTrash = kHome / "data/Trash";

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs its action when the test leaves the scope, however it leaves.
struct AtExit {
    std::function<void()> action;
    ~AtExit() { action(); }
};

TEST(MoveHelpers, CreateFolderPathAndNumberedName) {
    const TempDir dir;
    EXPECT_TRUE(CreateFolderPath(dir.path().string()));  // already there
    EXPECT_FALSE(CreateFolderPath(""));
    WriteTextFile(dir / "file", "x");
    EXPECT_FALSE(CreateFolderPath(dir / "file/sub"));
    const std::pair<const char*, const char*> names[] = {{"name.jpg", "name (2).jpg"},
                                                         {"photo.tar.gz", "photo.tar (2).gz"},
                                                         {"README", "README (2)"},
                                                         {".hidden", ".hidden (2)"}};
    for (const auto& [name, second] : names) EXPECT_EQ(NumberedName(name, 2), second) << name;
}

// Into a missing nested folder, with or without the separator, never over a file there.
TEST(DisposeFile, MoveMakesTheFolderAndNeverReplacesAFileOfTheSameName) {
    const TempDir dir;
    for (const char* folder : {"left", "right"}) fs::create_directories(dir / folder);
    WriteTextFile(dir / "left/pic.jpg", "from left");
    WriteTextFile(dir / "right/pic.jpg", "from right");
    const DisposalResult left =
        DisposeFile(dir / "left/pic.jpg", DisposalWay::MoveToFolder, dir / "out/a/");
    EXPECT_TRUE(left.removed && left.message.empty()) << left.message;
    EXPECT_EQ(left.movedTo, dir / "out/a/pic.jpg");
    EXPECT_EQ(DisposeFile(dir / "right/pic.jpg", DisposalWay::MoveToFolder, dir / "out/a").movedTo,
              dir / "out/a/pic (2).jpg");
    EXPECT_EQ(ReadFile(dir / "out/a/pic.jpg"), "from left");
    EXPECT_EQ(ReadFile(dir / "out/a/pic (2).jpg"), "from right");
    EXPECT_TRUE(fs::is_empty(dir / "left") && fs::is_empty(dir / "right"));
}

TEST(DisposeFile, MoveAcrossFileSystemsCopiesFlushesAndRemoves) {
    const TempDir dir;
    std::string shm = "/dev/shm/morvane-test-XXXXXX";  // tmpfs: usually another file system
    if (!::mkdtemp(shm.data())) GTEST_SKIP() << "no /dev/shm to make a folder in";
    const AtExit removeShm{[&shm] { fs::remove_all(shm); }};
    struct stat shmStat = {}, dirStat = {};
    if (::stat(shm.c_str(), &shmStat) || ::stat(dir.path().c_str(), &dirStat) ||
        shmStat.st_dev == dirStat.st_dev)
        GTEST_SKIP() << "/dev/shm and the temporary folder share one file system here";
    const std::string source = shm + "/pic.jpg";
    const std::string content(3 * 1024 * 1024 + 17, 'q');  // more than one copy block
    WriteTextFile(source, content);
    WriteTextFile(shm + "/second.jpg", "second");
    ::chmod(source.c_str(), 0640);
    const fs::file_time_type stamp = fs::last_write_time(source) - std::chrono::hours(48);
    fs::last_write_time(source, stamp);
    fs::create_directories(dir / "out");
    WriteTextFile(dir / "out/second.jpg", "kept");

    const DisposalResult moved = DisposeFile(source, DisposalWay::MoveToFolder, dir / "out/");
    EXPECT_TRUE(moved.removed) << moved.message;
    EXPECT_EQ(ReadFile(dir / "out/pic.jpg"), content);
    EXPECT_EQ(fs::last_write_time(dir / "out/pic.jpg"), stamp);
    EXPECT_EQ(fs::status(dir / "out/pic.jpg").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(DisposeFile(shm + "/second.jpg", DisposalWay::MoveToFolder, dir / "out").movedTo,
              dir / "out/second (2).jpg");
    EXPECT_EQ(ReadFile(dir / "out/second.jpg"), "kept");
    EXPECT_EQ(ReadFile(dir / "out/second (2).jpg"), "second");
    EXPECT_TRUE(fs::is_empty(shm));
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
    std::set<std::string> expected, restored;
    for (const std::string name : {"line\nbreak.jpg", "100%25.jpg", "with  space.jpg",
                                   "\xd1\x84\xd0\xbe\xd1\x82\xd0\xbe.jpg", "caf\xe9.jpg"}) {
        expected.insert(dir / name);
        WriteTextFile(dir / name, name);
        const DisposalResult result = DisposeFile(dir / name, DisposalWay::Trash, "");
        EXPECT_TRUE(result.removed && !fs::exists(dir / name)) << result.message;
    }
    for (const auto& entry : fs::directory_iterator(kTrash + "/info")) {
        const std::string path = RecordedPath(entry.path().string());
        if (path.rfind(dir.path().string(), 0) != 0) continue;  // another test's entry
        const std::string stored = kTrash + "/files/" + entry.path().stem().string();
        EXPECT_EQ(ReadFile(stored), fs::path(path).filename().string()) << path;
        restored.insert(path);
    }
    EXPECT_EQ(restored, expected);
}

TEST(DisposeFile, TrashWithoutATrashFolderLeavesTheFileInPlace) {
    const TempDir dir;
    WriteTextFile(dir / "pic.jpg", "picture");
    // A file where the trash folder would be: GIO can neither use nor make one.
    fs::create_directories(kHome / "data");
    const bool hadTrash = fs::exists(kTrash);
    if (hadTrash) fs::rename(kTrash, kTrash + "-aside");
    WriteTextFile(kTrash, "not a folder");
    const DisposalResult result = DisposeFile(dir / "pic.jpg", DisposalWay::Trash, "");
    fs::remove(kTrash);
    if (hadTrash) fs::rename(kTrash + "-aside", kTrash);
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.message.rfind("Не могу переместить файл в корзину!\n" + dir / "pic.jpg", 0),
              0u)
        << result.message;
    EXPECT_EQ(ReadFile(dir / "pic.jpg"), "picture");
}

// No way, a folder or a missing path: nothing happens and nothing is reported. A move without
// a folder, or into the file's own folder, is reported. A wipe removes.
TEST(DisposeFile, WhatIsLeftAloneAndWhatIsReported) {
    const TempDir dir;
    WriteTextFile(dir / "pic.jpg", "x");
    fs::create_directories(dir / "folder");
    WriteTextFile(dir / "folder/inside.jpg", "y");
    EXPECT_EQ(DisposeFile(dir / "pic.jpg", DisposalWay::None, dir / "out").message, "");
    for (const auto way : {DisposalWay::MoveToFolder, DisposalWay::Trash, DisposalWay::Wipe}) {
        for (const std::string& path : {dir / "folder", dir / "folder/", dir / "missing.jpg"}) {
            const DisposalResult result = DisposeFile(path, way, dir / "out");
            EXPECT_FALSE(result.removed || !result.message.empty()) << path;
        }
    }
    for (const std::string& folder : {std::string(), std::string("   "), dir.path().string()}) {
        const DisposalResult result =
            DisposeFile(dir / "pic.jpg", DisposalWay::MoveToFolder, folder);
        EXPECT_FALSE(result.removed) << folder;
        EXPECT_NE(result.message.find(dir / "pic.jpg"), std::string::npos) << result.message;
    }
    EXPECT_EQ(Names(dir.path().string()), (std::vector<std::string>{"folder", "pic.jpg"}));
    EXPECT_EQ(ReadFile(dir / "folder/inside.jpg"), "y");
    const DisposalResult wiped = DisposeFile(dir / "pic.jpg", DisposalWay::Wipe, "");
    EXPECT_TRUE(wiped.removed && wiped.message.empty()) << wiped.message;
    EXPECT_EQ(Names(dir.path().string()), std::vector<std::string>{"folder"});
}

TEST(DisposalFaults, AFileThatCannotLeaveItsFolderIsReportedForEveryWay) {
    const TempDir dir;
    fs::create_directory(dir / "pictures");
    WriteTextFile(dir / "pictures/a.jpg", "bytes");
    const test::ReadOnlyFolder locked(dir / "pictures");
    if (!locked.ReadOnly()) GTEST_SKIP() << "no way to make a read-only folder here";
    // A wipe overwrites first (the user asked for the bytes to go) but must say that the
    // name could not be removed.
    for (const DisposalWay way :
         {DisposalWay::MoveToFolder, DisposalWay::Trash, DisposalWay::Wipe}) {
        const DisposalResult result = DisposeFile(dir / "pictures/a.jpg", way, dir / "moved");
        EXPECT_FALSE(result.removed || result.message.empty()) << result.message;
        EXPECT_TRUE(fs::exists(dir / "pictures/a.jpg"));
        if (way != DisposalWay::Wipe) {
            EXPECT_EQ(ReadFile(dir / "pictures/a.jpg"), "bytes");
        }
    }
    EXPECT_FALSE(fs::exists(dir / "moved") && !fs::is_empty(dir / "moved"));
}

// A full move folder, on a tiny file system of its own when this machine lets the test mount
// one: the file stays whole and no partial copy is left.
TEST(DisposalFaults, AFullMoveFolderLeavesTheFileWholeAndNoPartialCopy) {
    const TempDir dir;
    fs::create_directories(dir / "tiny");
    if (::mount("tmpfs", (dir / "tiny").c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs rights)";
    const AtExit unmount{[&dir] { ::umount2((dir / "tiny").c_str(), MNT_DETACH); }};
    const std::string bytes(256 * 1024, 'p');
    WriteTextFile(dir / "big.jpg", bytes);
    const DisposalResult result =
        DisposeFile(dir / "big.jpg", DisposalWay::MoveToFolder, dir / "tiny/moved");
    EXPECT_FALSE(result.removed || result.message.empty());
    EXPECT_EQ(ReadFile(dir / "big.jpg"), bytes);
    EXPECT_FALSE(fs::exists(dir / "tiny/moved") && !fs::is_empty(dir / "tiny/moved"));
}

// The review with the real disposal behind it: three copies in one group.
class ReviewDisposalFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        run.SearchRoot = dir.path().string() + "/lib/";
        fs::create_directory(run.SearchRoot);
        for (const char* name : {"p.jpg", "q.jpg", "r.jpg"}) {
            WriteTextFile(run.SearchRoot + name, std::string(100, name[0]));
            run.FileList.push_back(name);
            run.PicTable.push_back(
                {.Valid = 1, .FileSize = 100, .Fingerprint = Fingerprint(LastCell + 1, 7)});
        }
        ASSERT_FALSE(files.Open(dir / "run.log", dir / "list.txt"));
        frontEnd.dispose = [this](const std::string& path) {
            const DisposalResult result =
                DisposeFile(path, DisposalWay::MoveToFolder, dir / "moved");
            if (!result.message.empty()) messages.push_back(result.message);
            return result.removed;
        };
    }

    const TempDir dir;
    CollectedRun run;
    OutputFiles files;
    test::RecordingFrontEnd frontEnd;
    std::vector<std::string> messages;
    Review review{run, files, frontEnd};
};

TEST_F(ReviewDisposalFaults, AFileGoneBeforeTheDecisionRemovesNothingElse) {
    ASSERT_EQ(test::ScanAndResume(review, run.PicTable, 70), ReviewState::AwaitingDecision);
    fs::remove(review.LeftPath());
    ASSERT_TRUE(review.Decide(ReviewDecision::DeleteLeft));
    // The missing file is no removal and no failure; the right one is still offered.
    EXPECT_EQ(review.RemovedCount() + review.FailedRemovals(), 0);
    ASSERT_EQ(review.Resume(), ReviewState::AwaitingDecision);
    EXPECT_TRUE(fs::exists(run.FullPath(1)) && fs::exists(run.FullPath(2)));
    EXPECT_FALSE(fs::exists(dir / "moved"));
}

TEST_F(ReviewDisposalFaults, KeepOneWithAnUnusableMoveFolderCountsEachFailure) {
    const test::ReadOnlyFolder locked(dir / "moved");
    if (!locked.ReadOnly()) GTEST_SKIP() << "no way to make a read-only folder here";
    review.KeepOneOfEvery(false);
    ASSERT_EQ(test::ScanAndResume(review, run.PicTable, 70), ReviewState::Finished);
    EXPECT_EQ(review.RemovedCount(), 0);
    EXPECT_EQ(review.FailedRemovals(), 2);
    EXPECT_EQ(messages.size(), 2u);
    for (int i = 0; i <= run.LastFile(); ++i) EXPECT_TRUE(fs::exists(run.FullPath(i)));
}

}  // namespace
}  // namespace morvane
