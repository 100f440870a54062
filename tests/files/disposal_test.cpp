// Disposal of a duplicate by moving, trashing or wiping it, also when the world does not
// cooperate: nothing is lost that was not asked for, and what failed is reported.
#include "files/disposal.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
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
#include "files/trash.h"
#include "files/unique_fd.h"
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

// Disposes of the file as it is now, as if it had just been compared.
DisposalResult Dispose(const std::string& path, DisposalWay way, const std::string& folder) {
    return DisposeFile(path, way, folder, StampOfPath(path));
}

// A folder on another file system than `dir` (tmpfs under /dev/shm), removed at the end; an
// empty path when there is none.
struct OtherDisk {
    explicit OtherDisk(const TempDir& dir) {
        std::string made = "/dev/shm/morvane-test-XXXXXX";
        struct stat shm = {}, tmp = {};
        if (::mkdtemp(made.data()) && ::stat(made.c_str(), &shm) == 0 &&
            ::stat(dir.path().c_str(), &tmp) == 0 && shm.st_dev != tmp.st_dev)
            path = made;
        else if (made.back() != 'X')
            fs::remove_all(made);
    }
    ~OtherDisk() {
        if (!path.empty()) fs::remove_all(path);
    }
    std::string path;
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
        Dispose(dir / "left/pic.jpg", DisposalWay::MoveToFolder, dir / "out/a/");
    EXPECT_TRUE(left.removed && left.problem == DisposalProblem::None);
    EXPECT_EQ(left.where, dir / "out/a/pic.jpg");
    EXPECT_EQ(Dispose(dir / "right/pic.jpg", DisposalWay::MoveToFolder, dir / "out/a").where,
              dir / "out/a/pic (2).jpg");
    EXPECT_EQ(ReadFile(dir / "out/a/pic.jpg"), "from left");
    EXPECT_EQ(ReadFile(dir / "out/a/pic (2).jpg"), "from right");
    EXPECT_TRUE(fs::is_empty(dir / "left") && fs::is_empty(dir / "right"));
}

// Staged in an unnamed file, or under a hidden temporary name that is gone afterwards.
TEST(DisposeFile, MoveAcrossFileSystemsCopiesFlushesAndRemoves) {
    for (const CopyStaging staging : {CopyStaging::UnnamedWhenOffered, CopyStaging::NamedOnly}) {
        const TempDir dir;
        const OtherDisk shm(dir);
        if (shm.path.empty()) GTEST_SKIP() << "no second file system under /dev/shm";
        const std::string source = shm.path + "/pic.jpg";
        const std::string content(3 * 1024 * 1024 + 17, 'q');  // more than one copy block
        WriteTextFile(source, content);
        WriteTextFile(shm.path + "/second.jpg", "second");
        ::chmod(source.c_str(), 0640);
        const fs::file_time_type stamp = fs::last_write_time(source) - std::chrono::hours(48);
        fs::last_write_time(source, stamp);
        fs::create_directories(dir / "out");
        WriteTextFile(dir / "out/second.jpg", "kept");
        const auto move = [&](const std::string& path, const std::string& folder) {
            return MoveIntoFolder(path, folder, *StampOfPath(path), staging);
        };
        const DisposalResult moved = move(source, dir / "out/");
        EXPECT_TRUE(moved.removed) << moved.error;
        EXPECT_EQ(ReadFile(dir / "out/pic.jpg"), content);
        EXPECT_EQ(fs::last_write_time(dir / "out/pic.jpg"), stamp);
        EXPECT_EQ(fs::status(dir / "out/pic.jpg").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(move(shm.path + "/second.jpg", dir / "out").where, dir / "out/second (2).jpg");
        EXPECT_EQ(ReadFile(dir / "out/second.jpg") + ReadFile(dir / "out/second (2).jpg"),
                  "keptsecond");
        EXPECT_TRUE(fs::is_empty(shm.path));
        EXPECT_EQ(Names(dir / "out"),
                  (std::vector<std::string>{"pic.jpg", "second (2).jpg", "second.jpg"}));
    }
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
        const DisposalResult result = Dispose(dir / name, DisposalWay::Trash, "");
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
    const DisposalResult result = Dispose(dir / "pic.jpg", DisposalWay::Trash, "");
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
    EXPECT_EQ(Dispose(dir / "pic.jpg", DisposalWay::None, dir / "out").problem,
              DisposalProblem::None);
    for (const auto way : {DisposalWay::MoveToFolder, DisposalWay::Trash, DisposalWay::Wipe})
        for (const std::string& path : {dir / "folder", dir / "folder/", dir / "missing.jpg"}) {
            const DisposalResult result = Dispose(path, way, dir / "out");
            EXPECT_FALSE(result.removed || result.problem != DisposalProblem::None) << path;
        }
    const std::pair<std::string, DisposalProblem> refused[] = {
        {"", DisposalProblem::NoMoveFolder},
        {"   ", DisposalProblem::NoMoveFolder},
        {dir.path().string(), DisposalProblem::AlreadyInFolder}};
    for (const auto& [folder, problem] : refused) {
        const DisposalResult result = Dispose(dir / "pic.jpg", DisposalWay::MoveToFolder, folder);
        EXPECT_FALSE(result.removed) << folder;
        EXPECT_EQ(result.problem, problem) << folder;
    }
    EXPECT_EQ(Names(dir.path().string()), (std::vector<std::string>{"folder", "pic.jpg"}));
    EXPECT_EQ(ReadFile(dir / "folder/inside.jpg"), "y");
    const DisposalResult wiped = Dispose(dir / "pic.jpg", DisposalWay::Wipe, "");
    EXPECT_TRUE(wiped.removed && wiped.problem == DisposalProblem::None);
    EXPECT_EQ(Names(dir.path().string()), std::vector<std::string>{"folder"});
}

TEST(DisposalFaults, AFileThatCannotLeaveItsFolderIsReportedForEveryWay) {
    const TempDir dir;
    fs::create_directory(dir / "pictures");
    WriteTextFile(dir / "pictures/a.jpg", "bytes");
    const test::ReadOnlyFolder locked(dir / "pictures");
    if (!locked.ReadOnly()) GTEST_SKIP() << "no way to make a read-only folder here";
    // A wipe does not overwrite what it could not then remove.
    for (const DisposalWay way :
         {DisposalWay::MoveToFolder, DisposalWay::Trash, DisposalWay::Wipe}) {
        const DisposalResult result = Dispose(dir / "pictures/a.jpg", way, dir / "moved");
        EXPECT_FALSE(result.removed || result.problem == DisposalProblem::None);
        EXPECT_EQ(ReadFile(dir / "pictures/a.jpg"), "bytes");
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
    for (const CopyStaging staging : {CopyStaging::UnnamedWhenOffered, CopyStaging::NamedOnly}) {
        const DisposalResult result = MoveIntoFolder(dir / "big.jpg", dir / "tiny/moved",
                                                     *StampOfPath(dir / "big.jpg"), staging);
        EXPECT_FALSE(result.removed);
        EXPECT_EQ(std::pair(result.problem, result.error),
                  std::pair(DisposalProblem::MoveFailed, ENOSPC));
        EXPECT_EQ(ReadFile(dir / "big.jpg"), bytes);
        EXPECT_TRUE(fs::is_empty(dir / "tiny/moved"));
    }
}

// Between the comparison and the removal the file was replaced by another of the same size,
// or rewritten in place with its time set back: no way removes or touches it.
TEST(DisposalFaults, AFileReplacedOrRewrittenSinceTheComparisonStays) {
    using Way =
        std::function<DisposalResult(const std::string&, const FileStamp&, const std::string&)>;
    const Way ways[] = {
        [](auto& path, auto& stamp, auto& other) { return MoveIntoFolder(path, other, stamp); },
        [](auto& path, auto& stamp, auto&) { return MoveToTrash(path, stamp); },
        [](auto& path, auto& stamp, auto&) { return WipeAndRemove(path, stamp); }};
    for (const Way& way : ways)
        for (const bool replaced : {false, true}) {
            const TempDir dir;
            const OtherDisk shm(dir);  // the move goes to another disk where there is one
            const std::string path = dir / "pic.jpg",
                              moved = shm.path.empty() ? dir / "out" : shm.path;
            WriteTextFile(path, "compared");
            const FileStamp compared = *StampOfPath(path);
            WriteTextFile(replaced ? dir / "new.jpg" : path, "replaced");
            if (replaced) fs::rename(dir / "new.jpg", path);
            const timespec times[] = {
                {0, UTIME_OMIT},
                {compared.ModifiedNs / 1'000'000'000, compared.ModifiedNs % 1'000'000'000}};
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
            const DisposalResult result = way(path, compared, moved);
            EXPECT_EQ(std::pair(result.removed, result.problem),
                      std::pair(false, DisposalProblem::Changed));
            EXPECT_EQ(ReadFile(path), "replaced");
            EXPECT_EQ(Names(dir.path().string()), std::vector<std::string>{"pic.jpg"});
            EXPECT_TRUE(!fs::exists(moved) || fs::is_empty(moved));
        }
}

// Runs `action` in a child process whose writes may not reach past `limit` bytes of a file:
// such a write fails (EFBIG) when `ignore`, else it kills the child. Its exit code, or minus
// the signal that killed it.
int WithFileSizeLimit(rlim_t limit, bool ignore, const std::function<bool()>& action) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit small{limit, limit}, noCore{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(SIGXFSZ, ignore ? SIG_IGN : SIG_DFL);
        ::_exit(action() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

// A copy that cannot be written whole, failing or killed midway, leaves the original whole
// and nothing under a picture's name (a killed process may leave a hidden temporary); a wipe
// that cannot write still removes the file but does not call that a success.
TEST(DisposalFaults, AWriteCutShortLeavesNoPartialCopyAndIsNoSuccess) {
    const std::string content(64 * 1024, 'p');
    for (const bool ignore : {true, false})
        for (const CopyStaging staging :
             {CopyStaging::UnnamedWhenOffered, CopyStaging::NamedOnly}) {
            const TempDir dir;
            const OtherDisk shm(dir);
            if (shm.path.empty()) GTEST_SKIP() << "no second file system under /dev/shm";
            const std::string source = shm.path + "/pic.jpg";
            WriteTextFile(source, content);
            EXPECT_EQ(WithFileSizeLimit(16 * 1024, ignore,
                                        [&] {
                                            const DisposalResult r = MoveIntoFolder(
                                                source, dir / "out", *StampOfPath(source), staging);
                                            return r.problem == DisposalProblem::MoveFailed &&
                                                   r.error == EFBIG;
                                        }),
                      ignore ? 0 : -SIGXFSZ);
            EXPECT_EQ(ReadFile(source), content);
            for (const std::string& name : Names(dir / "out"))
                EXPECT_TRUE(!ignore && name.starts_with(".morvane-partial-copy-")) << name;
        }
    const TempDir dir;
    WriteTextFile(dir / "pic.jpg", content);
    EXPECT_EQ(
        WithFileSizeLimit(16 * 1024, true,
                          [&] {
                              const DisposalResult r =
                                  WipeAndRemove(dir / "pic.jpg", *StampOfPath(dir / "pic.jpg"));
                              return r.removed && r.problem == DisposalProblem::CannotOverwrite;
                          }),
        0);
    EXPECT_TRUE(fs::is_empty(dir.path()));
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

TEST_P(WipeSizes, EveryPassOverwritesExactlyTheReadOnlyFileThenItGoes) {
    const auto size = static_cast<std::size_t>(GetParam());
    const TempDir dir;
    const std::string path = dir / "pic.jpg";
    WriteTextFile(path, std::string(size, 'p'));
    ::chmod(path.c_str(), 0444);  // a read-only file is made writable and wiped
    const UniqueFd held(::open(path.c_str(), O_RDONLY));  // still reads the bytes once it is gone
    std::vector<Block> blocks;
    const DisposalResult result =
        WipeAndRemove(path, *StampOfPath(path),
                      [&](int pass, std::int64_t offset, std::span<const std::uint8_t> bytes) {
                          blocks.push_back({pass, offset, {bytes.begin(), bytes.end()}});
                      });
    EXPECT_TRUE(result.removed && result.problem == DisposalProblem::None);
    std::string left(size + 1, 'x');
    left.resize(static_cast<std::size_t>(::pread(held.Get(), left.data(), left.size(), 0)));
    EXPECT_EQ(left, std::string(size, '\0'));
    // Made writable for real: rights alone would not stop the superuser.
    struct stat info = {};
    EXPECT_TRUE(::fstat(held.Get(), &info) == 0 && (info.st_mode & S_IWUSR));
    ExpectPasses(blocks, GetParam());
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
    const DisposalResult result = WipeAndRemove(path, *StampOfPath(path));
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
    // Only the other name's content is worth telling about: the user asked for it to go.
    for (const std::string name : {"hard.jpg", "soft.jpg"}) {
        const DisposalResult result = WipeAndRemove(dir / name, *StampOfPath(dir / name));
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

// Runs `action` once, as the first pass finishes its first block, with the random name the
// file then has.
WipeObserver AtFirstPass(const std::string& folder,
                         std::function<void(const std::string&)> action) {
    return [=, done = false](int, std::int64_t, std::span<const std::uint8_t>) mutable {
        for (const std::string& name : Names(folder))
            if (!done && name.size() == 39) action(folder + "/" + name);
        done = true;
    };
}

// While a wipe works on the file under its random name: an error leaves it under its own name;
// the file gone or put aside is no removal; a file put at its old name is not touched. No
// other file is touched either.
TEST(WipeAndRemove, WhatHappensMeanwhileCostsNoOtherFile) {
    const struct {
        std::function<void(const std::string& random, const std::string& chosen)> meanwhile;
        bool removed;
        DisposalProblem problem;
        std::vector<std::string> left;
    } cases[] = {
        {[](auto& random, auto&) { fs::remove(random); },
         false,
         DisposalProblem::Changed,
         {"neighbour.jpg"}},
        {[](auto& random, auto& chosen) { fs::rename(random, chosen + ".aside"); },
         false,
         DisposalProblem::Changed,
         {"chosen.jpg.aside", "neighbour.jpg"}},
        {[](auto&, auto& chosen) { WriteTextFile(chosen, "a newer picture"); },
         true,
         DisposalProblem::None,
         {"chosen.jpg", "neighbour.jpg"}},
        {[](auto&, auto&) { throw std::runtime_error("stopped"); },
         false,
         DisposalProblem::None,
         {"chosen.jpg", "neighbour.jpg"}},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const std::string chosen = dir / "chosen.jpg";
        WriteTextFile(chosen, "the picture to wipe");
        WriteTextFile(dir / "neighbour.jpg", "a picture kept");
        DisposalResult result;
        EXPECT_EQ(c.problem == DisposalProblem::None && !c.removed, [&] {
            try {
                result = WipeAndRemove(
                    chosen, *StampOfPath(chosen),
                    AtFirstPass(dir.path(), [&](auto& random) { c.meanwhile(random, chosen); }));
            } catch (const std::runtime_error&) {
                return true;
            }
            return false;
        }());
        EXPECT_EQ(std::pair(result.removed, result.problem), std::pair(c.removed, c.problem));
        EXPECT_EQ(Names(dir.path()), c.left);
        EXPECT_EQ(ReadFile(dir / "neighbour.jpg"), "a picture kept");
        if (c.problem == DisposalProblem::None && !c.removed) {  // nothing stays open or locked
            EXPECT_TRUE(WipeAndRemove(chosen, *StampOfPath(chosen)).removed);
        }
    }
}
}  // namespace
}  // namespace morvane
