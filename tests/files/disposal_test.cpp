// Disposal of a duplicate by moving, trashing or wiping it, also when the world does not
// cooperate: nothing is lost that was not asked for, and what failed is reported.
#include "files/disposal.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <set>
#include <stdexcept>

#include "files/move.h"
#include "files/wipe.h"
#include "support/read_only_folder.h"
#include "support/temp_dir.h"

extern char** environ;

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
    EXPECT_TRUE(left.removed && left.problem == DisposalProblem::None);
    EXPECT_EQ(left.where, dir / "out/a/pic.jpg");
    EXPECT_EQ(DisposeFile(dir / "right/pic.jpg", DisposalWay::MoveToFolder, dir / "out/a").where,
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
    EXPECT_TRUE(moved.removed) << moved.error;
    EXPECT_EQ(ReadFile(dir / "out/pic.jpg"), content);
    EXPECT_EQ(fs::last_write_time(dir / "out/pic.jpg"), stamp);
    EXPECT_EQ(fs::status(dir / "out/pic.jpg").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(DisposeFile(shm + "/second.jpg", DisposalWay::MoveToFolder, dir / "out").where,
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
        EXPECT_TRUE(result.removed && !fs::exists(dir / name)) << result.detail;
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
    EXPECT_EQ(result.problem, DisposalProblem::TrashFailed);
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(ReadFile(dir / "pic.jpg"), "picture");
}

// No way, a folder or a missing path: nothing happens and nothing is reported. A move without
// a folder, or into the file's own folder, is refused. A wipe removes.
TEST(DisposeFile, WhatIsLeftAloneAndWhatIsReported) {
    const TempDir dir;
    WriteTextFile(dir / "pic.jpg", "x");
    fs::create_directories(dir / "folder");
    WriteTextFile(dir / "folder/inside.jpg", "y");
    EXPECT_EQ(DisposeFile(dir / "pic.jpg", DisposalWay::None, dir / "out").problem,
              DisposalProblem::None);
    for (const auto way : {DisposalWay::MoveToFolder, DisposalWay::Trash, DisposalWay::Wipe})
        for (const std::string& path : {dir / "folder", dir / "folder/", dir / "missing.jpg"}) {
            const DisposalResult result = DisposeFile(path, way, dir / "out");
            EXPECT_FALSE(result.removed || result.problem != DisposalProblem::None) << path;
        }
    const std::pair<std::string, DisposalProblem> refused[] = {
        {"", DisposalProblem::NoMoveFolder},
        {"   ", DisposalProblem::NoMoveFolder},
        {dir.path().string(), DisposalProblem::AlreadyInFolder}};
    for (const auto& [folder, problem] : refused) {
        const DisposalResult result =
            DisposeFile(dir / "pic.jpg", DisposalWay::MoveToFolder, folder);
        EXPECT_FALSE(result.removed) << folder;
        EXPECT_EQ(result.problem, problem) << folder;
    }
    EXPECT_EQ(Names(dir.path().string()), (std::vector<std::string>{"folder", "pic.jpg"}));
    EXPECT_EQ(ReadFile(dir / "folder/inside.jpg"), "y");
    const DisposalResult wiped = DisposeFile(dir / "pic.jpg", DisposalWay::Wipe, "");
    EXPECT_TRUE(wiped.removed && wiped.problem == DisposalProblem::None);
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
        EXPECT_FALSE(result.removed || result.problem == DisposalProblem::None);
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
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.problem, DisposalProblem::MoveFailed);
    EXPECT_EQ(result.error, ENOSPC);
    EXPECT_EQ(ReadFile(dir / "big.jpg"), bytes);
    EXPECT_FALSE(fs::exists(dir / "tiny/moved") && !fs::is_empty(dir / "tiny/moved"));
}

constexpr std::int64_t kMiB = 1048576;

struct Block {
    int pass;
    std::int64_t offset;
    std::vector<std::uint8_t> bytes;
};

// Checks the blocks of three passes over a file of `size` bytes cut into pieces of 1 MiB:
// a random pass (never a 0, drawn once and carried by every block), then 0xAA, then 0x00.
void ExpectPasses(const std::vector<Block>& blocks, std::int64_t size) {
    const std::int64_t perPass = (size + kMiB - 1) / kMiB;
    ASSERT_EQ(static_cast<std::int64_t>(blocks.size()), 3 * perPass);
    if (blocks.empty()) return;
    const std::vector<std::uint8_t>& random = blocks[0].bytes;
    EXPECT_EQ(std::count(random.begin(), random.end(), 0), 0);
    if (random.size() >= 1000) {
        EXPECT_GT(std::set(random.begin(), random.end()).size(), 200u);
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        EXPECT_EQ(b.pass, static_cast<int>(i / perPass) + 1);
        EXPECT_EQ(b.offset, static_cast<std::int64_t>(i) % perPass * kMiB);
        const auto length = static_cast<std::size_t>(std::min(kMiB, size - b.offset));
        const std::uint8_t fill = b.pass == 2 ? 0xAA : 0x00;
        EXPECT_EQ(b.bytes, b.pass == 1 ? std::vector(random.begin(), random.begin() + length)
                                       : std::vector<std::uint8_t>(length, fill))
            << "block " << i;
    }
}

TEST(PassByte, FollowsTheSchedule) {
    const std::vector<std::optional<std::uint8_t>> eight{std::nullopt, 0xAA, 0x6D, 0xDB,
                                                         0x55,         0x92, 0x49, 0x00};
    for (int pass = 1; pass <= 8; ++pass) EXPECT_EQ(PassByte(pass, 8), eight[pass - 1]) << pass;
    EXPECT_EQ(PassByte(8, 9), 0xFF);
    EXPECT_EQ(PassByte(12, 20), 0x92);  // 2, 3, 4 and 6 divide it: the latest rule wins
    EXPECT_EQ(PassByte(11, 20), std::nullopt);
}

class WipeSizes : public ::testing::TestWithParam<std::int64_t> {};

TEST_P(WipeSizes, EveryPassOverwritesExactlyTheReadOnlyFile) {
    const auto size = static_cast<std::size_t>(GetParam());
    const TempDir dir;
    const std::string path = dir / "pic.jpg";
    WriteTextFile(path, std::string(size, 'p'));
    ::chmod(path.c_str(), 0444);  // a read-only file is made writable and wiped
    std::vector<Block> blocks;
    std::mt19937 random = TimeSeededGenerator();
    EXPECT_EQ(WipeFile(path, random,
                       [&](int pass, std::int64_t offset, std::span<const std::uint8_t> bytes) {
                           blocks.push_back({pass, offset, {bytes.begin(), bytes.end()}});
                       }),
              WipeStatus::Overwritten);
    EXPECT_EQ(ReadFile(path), std::string(size, '\0'));
    // Made writable for real: rights alone would not stop the superuser.
    EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
    ExpectPasses(blocks, GetParam());
    ::chmod(path.c_str(), 0444);
    const DisposalResult removed = WipeAndRemove(path);
    EXPECT_TRUE(removed.removed && removed.problem == DisposalProblem::None);
    EXPECT_TRUE(fs::is_empty(dir.path()));  // no random-named leftover either
}

INSTANTIATE_TEST_SUITE_P(Wipe, WipeSizes, ::testing::Values(100, 0, 5 * kMiB / 2, kMiB));

// A running program cannot be opened for writing, not even by root (ETXTBSY).
TEST(WipeAndRemove, FileThatCannotBeOpenedIsReportedThenStillRemoved) {
    const TempDir dir;
    std::string path = dir / "busy", seconds = "60";
    fs::copy_file("/bin/sleep", path);
    char* argv[] = {path.data(), seconds.data(), nullptr};
    pid_t child = 0;
    // posix_spawn returns once the program runs (or has failed to start).
    ASSERT_EQ(::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ), 0);
    const DisposalResult result = WipeAndRemove(path);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(result.problem, DisposalProblem::CannotOpen);
    EXPECT_TRUE(result.removed);  // the rename and the removal were still tried
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(WipeAndRemove, LinksAndSharedContentAreRemovedWithoutTouchingTheOtherName) {
    const TempDir dir;
    WriteTextFile(dir / "kept.jpg", "kept copy");
    fs::create_hard_link(dir / "kept.jpg", dir / "hard.jpg");
    fs::create_symlink(dir / "kept.jpg", dir / "soft.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);  // must not hang the wipe
    // Only the other name's content is worth telling about: the user asked for it to go.
    for (const std::string name : {"hard.jpg", "soft.jpg", "pipe"}) {
        const DisposalResult result = WipeAndRemove(dir / name);
        EXPECT_TRUE(result.removed) << name;
        EXPECT_EQ(result.problem,
                  name == "hard.jpg" ? DisposalProblem::ContentKept : DisposalProblem::None)
            << name;
    }
    EXPECT_EQ(ReadFile(dir / "kept.jpg"), "kept copy");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(RenameToRandom, ThirtyNineCapitalsInItsFolderNeverOverwriting) {
    const TempDir dir;
    const std::string path = dir / "pic.jpg";
    WriteTextFile(path, "mine");
    std::mt19937 random = TimeSeededGenerator();
    std::mt19937 replay = random;
    const std::string taken = dir / RandomFileName(replay);  // the first name it will draw
    WriteTextFile(taken, "someone else's");
    const std::string renamed = RenameToRandom(path, random);
    EXPECT_EQ(fs::path(renamed).parent_path(), dir.path());
    EXPECT_TRUE(
        std::regex_match(fs::path(renamed).filename().string(), std::regex("[A-Z]{32}\\.[A-Z]{6}")))
        << renamed;
    EXPECT_EQ(ReadFile(renamed), "mine");
    EXPECT_EQ(ReadFile(taken), "someone else's");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(RenameToRandom(dir / "missing.jpg", random), dir / "missing.jpg");
}

// Runs `action` once, as pass `pass` finishes its first block.
WipeObserver AtPass(int pass, std::function<void()> action) {
    return [pass, action = std::move(action), done = false](int current, std::int64_t,
                                                            std::span<const std::uint8_t>) mutable {
        if (current != pass || done) return;
        done = true;
        action();
    };
}

// A wipe cut short or overtaken between its passes: the file chosen may be left half
// overwritten, but no other file is touched and the failure is reported, never a success.
class WipeInterrupted : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteTextFile(chosen, "the picture to wipe");
        WriteTextFile(neighbour, "a picture kept");
    }
    // Every name in the folder, and the neighbour untouched.
    void ExpectFilesLeft(std::ptrdiff_t count) const {
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  count);
        EXPECT_EQ(ReadFile(neighbour), "a picture kept");
    }

    const TempDir dir;
    const std::string chosen = dir / "chosen.jpg";
    const std::string neighbour = dir / "neighbour.jpg";
};

TEST_F(WipeInterrupted, AnObserverThatThrowsLeavesTheFileUnderItsNameAndOthersWhole) {
    const WipeObserver stop = AtPass(2, [] { throw std::runtime_error("stopped"); });
    EXPECT_THROW(WipeAndRemove(chosen, stop), std::runtime_error);
    // Not renamed away under a random name.
    EXPECT_EQ(fs::file_size(chosen), std::string("the picture to wipe").size());
    ExpectFilesLeft(2);
    // Nothing stays open or locked: a second attempt finishes the job.
    const DisposalResult again = WipeAndRemove(chosen);
    EXPECT_TRUE(again.removed && again.problem == DisposalProblem::None);
    ExpectFilesLeft(1);
}

TEST_F(WipeInterrupted, AFileRemovedBetweenPassesIsReportedAndNothingElseGoes) {
    const DisposalResult result = WipeAndRemove(chosen, AtPass(1, [&] { fs::remove(chosen); }));
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.problem, DisposalProblem::CannotRemove);
    ExpectFilesLeft(1);
}

TEST_F(WipeInterrupted, AFilePutInItsPlaceBetweenPassesStaysUnderItsName) {
    const std::string aside = dir / "aside.jpg";
    const DisposalResult result = WipeAndRemove(chosen, AtPass(1, [&] {
                                                    fs::rename(chosen, aside);
                                                    WriteTextFile(chosen, "a newer picture");
                                                }));
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.problem, DisposalProblem::CannotRemove);
    EXPECT_EQ(ReadFile(chosen), "a newer picture");
    // The file the wipe began on was overwritten wherever it went; only the three names remain.
    EXPECT_NE(ReadFile(aside), "the picture to wipe");
    ExpectFilesLeft(3);
}

}  // namespace
}  // namespace morvane
