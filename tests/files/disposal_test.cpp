// SPDX-License-Identifier: GPL-3.0-or-later
// Disposal of a duplicate by moving, trashing or wiping it, also when the world does not
// cooperate: nothing is lost that was not asked for, and what failed is reported.
#include "files/disposal.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <spawn.h>
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

#include "files/disposal_check.h"
#include "files/journal.h"
#include "files/move.h"
#include "files/trash.h"
#include "files/undo.h"
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

// Runs `action` in a child process whose writes may not reach past 16 KiB into a file: such a
// write fails (EFBIG) when `ignore`, else it kills the child. What it reported, as Outcome
// gives it, or minus the signal that killed it.
int Outcome(const DisposalResult& result) {
    return static_cast<int>(result.problem) * 2 + result.removed;
}
int WithFileSizeLimit(bool ignore, const std::function<DisposalResult()>& action) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit small{16 * 1024, 16 * 1024}, noCore{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(SIGXFSZ, ignore ? SIG_IGN : SIG_DFL);
        ::_exit(Outcome(action()));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

// Across file systems, staged in an unnamed file or under a hidden temporary name: content,
// time and rights kept, nothing replaced. A copy that fails or is killed midway leaves the
// original whole and nothing under a picture's name (a killed one, a hidden temporary).
TEST(DisposeFile, MoveAcrossFileSystemsCopiesFlushesAndRemoves) {
    for (const CopyStaging staging : {CopyStaging::UnnamedWhenOffered, CopyStaging::NamedOnly}) {
        const TempDir dir;
        const OtherDisk shm(dir);
        if (shm.path.empty()) GTEST_SKIP() << "no second file system under /dev/shm";
        const auto move = [&](const std::string& name, const std::string& folder) {
            const std::string path = shm.path + "/" + name;
            return MoveIntoFolder(path, folder, *StampOfPath(path), staging);
        };
        const std::string source = shm.path + "/pic.jpg", big(64 * 1024, 'b');
        const std::string content(3 * 1024 * 1024 + 17, 'q');  // more than one copy block
        WriteTextFile(source, content);
        WriteTextFile(shm.path + "/second.jpg", "second");
        WriteTextFile(shm.path + "/big.jpg", big);
        ::chmod(source.c_str(), 0640);
        const fs::file_time_type stamp = fs::last_write_time(source) - std::chrono::hours(48);
        fs::last_write_time(source, stamp);
        fs::create_directories(dir / "out");
        WriteTextFile(dir / "out/second.jpg", "kept");
        const DisposalResult moved = move("pic.jpg", dir / "out/");
        EXPECT_TRUE(moved.removed) << moved.error;
        EXPECT_EQ(ReadFile(dir / "out/pic.jpg"), content);
        EXPECT_EQ(fs::last_write_time(dir / "out/pic.jpg"), stamp);
        EXPECT_EQ(fs::status(dir / "out/pic.jpg").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(move("second.jpg", dir / "out").where, dir / "out/second (2).jpg");
        EXPECT_EQ(ReadFile(dir / "out/second.jpg") + ReadFile(dir / "out/second (2).jpg"),
                  "keptsecond");
        for (const bool ignore : {true, false}) {
            EXPECT_EQ(WithFileSizeLimit(ignore, [&] { return move("big.jpg", dir / "out"); }),
                      ignore ? Outcome(DisposalFailed(DisposalProblem::MoveFailed)) : -SIGXFSZ);
        }
        EXPECT_EQ(Names(shm.path), std::vector<std::string>{"big.jpg"});
        EXPECT_EQ(ReadFile(shm.path + "/big.jpg"), big);
        std::vector<std::string> names = Names(dir / "out");
        EXPECT_EQ(std::erase_if(names, [](auto& n) { return n.starts_with(".morvane-partial"); }),
                  staging == CopyStaging::NamedOnly ? 1 : 0);
        EXPECT_EQ(names, (std::vector<std::string>{"pic.jpg", "second (2).jpg", "second.jpg"}));
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

// A file whose name cannot go (a locked folder), or replaced by another of the same size, or
// rewritten with its time set back since the comparison: no way removes or touches it, and
// each says why. A wipe does not overwrite what it could not then remove.
TEST(DisposalFaults, AFileThatCannotGoOrChangedSinceTheComparisonStaysWhole) {
    for (const DisposalWay way : {DisposalWay::MoveToFolder, DisposalWay::Trash, DisposalWay::Wipe})
        for (const std::string change : {"locked", "replaced", "rewritten"}) {
            const TempDir dir;
            const OtherDisk shm(dir);  // the move goes to another disk where there is one
            const std::string path = dir / "pictures/pic.jpg";
            const std::string out = shm.path.empty() ? dir / "out" : shm.path;
            fs::create_directory(dir / "pictures");
            WriteTextFile(path, "compared");
            const FileStamp compared = *StampOfPath(path);
            if (change != "locked") {
                WriteTextFile(change == "replaced" ? dir / "new.jpg" : path, change);
                if (change == "replaced") fs::rename(dir / "new.jpg", path);
                const std::int64_t ns = compared.ModifiedNs;
                const timespec times[] = {{0, UTIME_OMIT},
                                          {ns / 1'000'000'000, ns % 1'000'000'000}};
                ::utimensat(AT_FDCWD, path.c_str(), times, 0);
            }
            if (change != "locked") {  // foreseen by a dry run; refused before any way acts
                EXPECT_EQ(std::pair(CheckDisposal(path, way, out, compared).problem,
                                    DisposeFile(path, way, out, compared).problem),
                          std::pair(DisposalProblem::Changed, DisposalProblem::Changed));
            }
            std::optional<test::ReadOnlyFolder> locked;
            if (change == "locked" && !locked.emplace(dir / "pictures").ReadOnly())
                GTEST_SKIP() << "no way to make a read-only folder here";
            const DisposalResult result = way == DisposalWay::Wipe ? WipeAndRemove(path, compared)
                                          : way == DisposalWay::Trash
                                              ? MoveToTrash(path, compared)
                                              : MoveIntoFolder(path, out, compared);
            EXPECT_FALSE(result.removed || result.problem == DisposalProblem::None);
            EXPECT_TRUE(change == "locked" || result.problem == DisposalProblem::Changed);
            EXPECT_EQ(ReadFile(path), change == "locked" ? "compared" : change);
            EXPECT_EQ(Names(dir / "pictures").size() + Names(out).size(), 1 + (out == dir / "out"));
        }
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

// What cannot be overwritten is still removed, and told: a running program (not even root may
// open it for writing: ETXTBSY), a file that may not grow past a size limit, a second name of
// a kept file (the content is the kept file's too), a link to it (nothing worth telling).
TEST(WipeAndRemove, WhatCannotBeOverwrittenIsStillRemovedAndTold) {
    const TempDir dir;
    std::string path = dir / "busy", seconds = "60";
    fs::copy_file("/bin/sleep", path);
    char* argv[] = {path.data(), seconds.data(), nullptr};
    pid_t child = 0;
    // posix_spawn returns once the program runs (or has failed to start).
    ASSERT_EQ(::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ), 0);
    const DisposalResult busy = WipeAndRemove(path, *StampOfPath(path));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    WriteTextFile(dir / "big.jpg", std::string(64 * 1024, 'b'));
    WriteTextFile(dir / "kept.jpg", "kept copy");
    fs::create_hard_link(dir / "kept.jpg", dir / "hard.jpg");
    fs::create_symlink(dir / "kept.jpg", dir / "soft.jpg");
    const auto wipe = [&](const std::string& name) {
        return WipeAndRemove(dir / name, *StampOfPath(dir / name));
    };
    EXPECT_EQ(std::vector({Outcome(busy), WithFileSizeLimit(true, [&] { return wipe("big.jpg"); }),
                           Outcome(wipe("hard.jpg")), Outcome(wipe("soft.jpg"))}),
              std::vector({Outcome({true, DisposalProblem::CannotOpen}),
                           Outcome({true, DisposalProblem::CannotOverwrite}),
                           Outcome({true, DisposalProblem::ContentKept}), Outcome({true})}));
    EXPECT_EQ(ReadFile(dir / "kept.jpg"), "kept copy");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"kept.jpg"});
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

// While a wipe works on the file under its random name: the file gone is no removal; a file
// put at its old name is not touched; an error leaves it under its own name, and nothing open
// or locked.
TEST(WipeAndRemove, WhatHappensMeanwhileCostsNoOtherFile) {
    using Meanwhile = std::function<void(const std::string& random, const std::string& chosen)>;
    const std::pair<Meanwhile, std::string> cases[] = {
        {[](auto& random, auto&) { fs::remove(random); }, "changed neighbour.jpg"},
        {[](auto&, auto& chosen) { WriteTextFile(chosen, "new"); },
         "gone chosen.jpg neighbour.jpg"},
        {[](auto&, auto&) { throw std::runtime_error("stop"); }, "threw chosen.jpg neighbour.jpg"},
    };
    for (const auto& [meanwhile, expected] : cases) {
        const TempDir dir;
        const std::string chosen = dir / "chosen.jpg";
        WriteTextFile(chosen, "the picture to wipe");
        WriteTextFile(dir / "neighbour.jpg", "a picture kept");
        bool done = false;
        std::string outcome = "threw";
        const Meanwhile& act = meanwhile;  // Clang 14 captures no structured binding
        try {
            const DisposalResult result = WipeAndRemove(chosen, *StampOfPath(chosen), [&](auto...) {
                // Capitals sort first: the random name.
                if (!std::exchange(done, true)) act(dir / Names(dir.path()).front(), chosen);
            });
            outcome = result.removed                               ? "gone"
                      : result.problem == DisposalProblem::Changed ? "changed"
                                                                   : "?";
        } catch (const std::runtime_error&) {
        }
        for (const std::string& name : Names(dir.path())) outcome += " " + name;
        EXPECT_EQ(outcome, expected);
        EXPECT_EQ(ReadFile(dir / "neighbour.jpg"), "a picture kept");
        EXPECT_TRUE(!outcome.starts_with("threw") ||
                    WipeAndRemove(chosen, *StampOfPath(chosen)).removed);
    }
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

// A link takes the place of a byte-for-byte copy of the kept file only, and leads to it; in
// every other case the copy stays as it was and no temporary link is left behind.
TEST(ReplaceByLink, OnlyAnIdenticalCopyGivesWayToALinkToTheKeptFile) {
    const TempDir dir;
    const OtherDisk other(dir);
    using P = DisposalProblem;
    struct Row {
        DisposalWay way;
        const char* content;
        bool otherDisk, keptReplaced;
        P problem;
    };
    for (const Row& row : {Row{DisposalWay::HardLink, "same", false, false, P::None},
                           {DisposalWay::SymLink, "same", false, false, P::None},
                           {DisposalWay::HardLink, "sama", false, false, P::NotIdentical},
                           {DisposalWay::SymLink, "same!", false, false, P::NotIdentical},
                           {DisposalWay::HardLink, "same", false, true, P::KeptChanged},
                           {DisposalWay::SymLink, "same", false, true, P::KeptChanged},
                           {DisposalWay::HardLink, "same", true, false, P::OtherFileSystem},
                           {DisposalWay::SymLink, "same", true, false, P::None}}) {
        if (row.otherDisk && other.path.empty()) continue;  // no second file system here
        const std::string kept = (row.otherDisk ? fs::path(other.path) : dir.path()) / "kept.jpg";
        const std::string copy = dir / "copy.jpg";
        WriteTextFile(kept, "same");
        WriteTextFile(copy, row.content);
        const KeptFile keptFile{kept, StampOfPath(kept)};
        if (row.keptReplaced) WriteTextFile(kept + ".new", "same"), fs::rename(kept + ".new", kept);
        const DisposalResult result = DisposeFile(copy, row.way, "", StampOfPath(copy), keptFile);
        SCOPED_TRACE(std::string(row.content) + (row.otherDisk ? " other disk" : ""));
        EXPECT_EQ(std::pair(result.problem, result.removed),
                  std::pair(row.problem, row.problem == P::None));
        EXPECT_EQ(ReadFile(copy), row.content);
        EXPECT_EQ(SameFile(copy, kept), result.removed);
        EXPECT_EQ(fs::is_symlink(copy), result.removed && row.way == DisposalWay::SymLink);
        if (result.removed && row.way == DisposalWay::SymLink) {
            EXPECT_EQ(fs::read_symlink(copy), kept);
        }
        EXPECT_EQ(Names(dir.path()).size(), row.otherDisk ? 1u : 2u);
        fs::remove(copy);
        fs::remove(kept);
    }
}

// Each file's line is on the disk before it goes: without a journal nothing goes, and a
// removal that fails after its line leaves a journal that reads. Undo puts moved and trashed
// files back byte for byte, never over a file there now, and tells which it could not.
TEST(UndoRun, PutsMovedAndTrashedFilesBackButNeverOverAFileThereNow) {
    const TempDir dir;
    WriteTextFile(dir / "blocked", "");
    for (const char* name : {"moved.jpg", "trashed.jpg", "taken.jpg", "wiped.jpg"})
        WriteTextFile(dir / name, name);
    const auto dispose = [&](const char* name, DisposalWay way, RemovalJournal& journal,
                             const std::string& folder = {}) {
        return DisposeFile(dir / name, way, folder.empty() ? dir / "spare" : folder,
                           StampOfPath(dir / name), {}, &journal);
    };
    RemovalJournal unwritable(dir / "blocked/journal");
    EXPECT_EQ(dispose("moved.jpg", DisposalWay::Trash, unwritable).problem,
              DisposalProblem::JournalFailed);
    RemovalJournal journal(dir / "journal");
    EXPECT_EQ(dispose("moved.jpg", DisposalWay::MoveToFolder, journal, dir / "blocked/x").problem,
              DisposalProblem::CannotMakeFolder);
    EXPECT_TRUE(std::regex_match(ReadFile(journal.Path()),
                                 std::regex(R"(\{.*"way":"move".*\}\n\{.*"removed":false\}\n)")));
    EXPECT_EQ(dispose("moved.jpg", DisposalWay::MoveToFolder, journal).removed, true);
    EXPECT_EQ(dispose("trashed.jpg", DisposalWay::Trash, journal).removed, true);
    EXPECT_EQ(dispose("taken.jpg", DisposalWay::MoveToFolder, journal).removed, true);
    EXPECT_EQ(dispose("wiped.jpg", DisposalWay::Wipe, journal).removed, true);
    WriteTextFile(dir / "taken.jpg", "new");

    const UndoReport report = UndoRun(LastJournal(dir / "journal"));
    std::vector<UndoProblem> problems;
    for (const UndoEntry& entry : report.Entries) problems.push_back(entry.Problem);
    EXPECT_EQ(problems, (std::vector{UndoProblem::None, UndoProblem::None, UndoProblem::Occupied,
                                     UndoProblem::Wiped}));
    for (const char* name : {"moved.jpg", "trashed.jpg"}) EXPECT_EQ(ReadFile(dir / name), name);
    EXPECT_EQ(ReadFile(dir / "taken.jpg"), "new");
    EXPECT_EQ(ReadFile(dir / "spare/taken.jpg"), "taken.jpg");
}

}  // namespace
}  // namespace morvane
