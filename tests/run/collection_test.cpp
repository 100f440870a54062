// SPDX-License-Identifier: GPL-3.0-or-later
// Collecting a run: fingerprints made on several workers, taken from the cache when a file is
// unchanged, and a hostile library that must neither stop the run nor put a file in a group
// with itself.
#include "run/collection.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "review/output_files.h"
#include "review/review.h"
#include "run/fingerprint_cache.h"
#include "run/search_run.h"
#include "support/huge_png.h"
#include "support/read_only_folder.h"
#include "support/review_front_end.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct Collected {
    CollectOutcome outcome;
    CollectedRun run;
    CollectCounts counts;
};

// A run over `folder` with every file; `running` may stop it.
Collected Collect(const std::string& folder, CollectOptions options,
                  const CollectProgress& progress = {}, const std::atomic<bool>* running = {}) {
    const std::atomic<bool> always{true};
    Collected result;
    options.Counts = &result.counts;
    result.outcome =
        CollectPictures(folder, "*.*", running ? *running : always, progress, options, result.run);
    return result;
}

// Everything a run's comparison and files are made from.
void ExpectSameRecords(const CollectedRun& got, const CollectedRun& expected) {
    ASSERT_EQ(got.FileList, expected.FileList);
    for (std::size_t i = 0; i < got.FileList.size(); ++i) {
        SCOPED_TRACE(got.FileList[i]);
        const Dubl &a = got.PicTable[i], &b = expected.PicTable[i];
        EXPECT_EQ(
            std::tie(a.Fingerprint, a.Valid, a.FileSize, a.PicWidth, a.PicHeight, a.BitDepth),
            std::tie(b.Fingerprint, b.Valid, b.FileSize, b.PicWidth, b.PicHeight, b.BitDepth));
    }
}

// JPEGs, some large enough to be shrunk on load, PNGs, and files that are not pictures.
void WriteManyPictures(const TempDir& dir, int count, bool large) {
    for (int i = 0; i < count; ++i) {
        const std::string name = dir / ("p" + std::to_string(100 + i) + (i % 2 ? ".png" : ".jpg"));
        const bool big = large && i % 4 == 0;
        i % 7 == 3 ? test::WriteTextFile(name, "not a picture")
                   : test::WritePatternPicture(name, big ? 1100 : 90 + i, big ? 1030 + i : 70, i);
    }
}

// The files reported, each on the caller's thread (-1 on another), and a stop after `stopAt`.
CollectProgress Reporting(std::vector<int>& reported, std::atomic<bool>* running = nullptr,
                          int stopAt = -1) {
    const auto caller = std::this_thread::get_id();
    return {.Walked = {}, .FileHandled = [&reported, running, stopAt, caller](int index, auto&) {
                reported.push_back(std::this_thread::get_id() == caller ? index : -1);
                if (index == stopAt) *running = false;
            }};
}

// Records made on several workers against those the single-threaded path makes; an empty
// folder is done with nothing reported.
TEST(ParallelCollection, RecordsMatchTheSingleThreadedPathInWalkOrder) {
    TempDir dir;
    std::vector<int> reported;
    const Collected empty = Collect(dir.path().string(), {3}, Reporting(reported));
    EXPECT_TRUE(empty.outcome == CollectOutcome::Done && empty.run.PicTable.empty() &&
                reported.empty());
    WriteManyPictures(dir, 21, true);
    // Changed "just now" however long the writing took on a loaded machine.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        fs::last_write_time(entry.path(), fs::file_time_type::clock::now() + std::chrono::hours(1));
    const Collected c = Collect(dir.path().string(), {3}, Reporting(reported));
    ASSERT_EQ(c.outcome, CollectOutcome::Done);
    CollectedRun alone = c.run;
    for (int i = 0; i <= alone.LastFile(); ++i) {
        Dubl& record = alone.PicTable[i] = {};
        TakeFingerprint(record, MakeFingerprint(alone.FullPath(i)));
        record.Valid = record.Fingerprint.empty() ? 0 : 1;
        record.FileSize = static_cast<std::int64_t>(fs::file_size(alone.FullPath(i)));
    }
    ExpectSameRecords(c.run, alone);
    // Files written just now: their stamps prove nothing alone, so their cells are noted.
    for (const Dubl& record : c.run.PicTable)
        EXPECT_EQ(record.ContentCheck,
                  record.Valid ? std::optional(CellsDigest(record.Fingerprint)) : std::nullopt);
    std::vector<int> expected(21);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(reported, expected);
}

TEST(ParallelCollection, StopLeavesTheQueuedFilesUndone) {
    TempDir dir;
    WriteManyPictures(dir, 40, false);
    std::atomic<bool> running{true};
    std::vector<int> reported;
    const Collected c =
        Collect(dir.path().string(), {2}, Reporting(reported, &running, 2), &running);
    EXPECT_EQ(c.outcome, CollectOutcome::Stopped);
    EXPECT_EQ(reported, (std::vector<int>{0, 1, 2}));
    EXPECT_LT(std::ranges::count_if(c.run.PicTable, [](const Dubl& r) { return r.FileSize; }), 40);
}

// Three pictures and a file that is not one; a.png and b.png are the same size.
void WriteLibrary(const std::string& root) {
    fs::create_directories(root + "/p");
    test::WriteFlatPicture(root + "/p/a.png", 40, 30, 10, 20, 30);
    test::WriteFlatPicture(root + "/b.png", 40, 30, 200, 100, 50);
    test::WritePatternPicture(root + "/p/c.jpg", 120, 90, 7);
    test::WriteTextFile(root + "/p/d.jpg", "not a picture");
    ASSERT_EQ(fs::file_size(root + "/p/a.png"), fs::file_size(root + "/b.png"));
}

Collected Cached(const std::string& folder, FingerprintCache* cache) {
    return Collect(folder, {.Threads = 2, .Cache = cache});
}

// Clocks long after the files the tests write (they are settled then), and before them.
const FingerprintCache::Clock Later = [] { return std::int64_t{1} << 62; };
const FingerprintCache::Clock Before = [] { return std::int64_t{0}; };

// Another program's database, or an old one of ours, made by `script`.
void MakeDatabase(const std::string& file, const std::string& script) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(FingerprintCache::Database(db).get(), script.c_str(), {}, {}, {});
}

// Nothing changed; a.png rewritten in place, or replaced by a rename: same size and time; or
// nothing changed, but the rows were made while the files were new (a coarse clock could
// hide a rewrite), so decoded again and kept to be used the next time. The cache file is closed
// and opened again between runs.
TEST(FingerprintCache, DecodesAgainExactlyTheFilesThatChangedOrWereNew) {
    for (const int change : {0, 1, 2, 3}) {
        SCOPED_TRACE(change);
        TempDir dir;
        WriteLibrary(dir.path());
        const std::string a = dir / "p/a.png", b = dir / "b.png";
        const auto run = [&](FingerprintCache::Clock clock) {
            return Cached(dir / "p", FingerprintCache::Open(dir / "c/f.sqlite", {}, clock).get());
        };
        EXPECT_EQ(run(change == 3 ? Before : Later).counts.Decoded, 3);
        const fs::file_time_type time = fs::last_write_time(a);
        if (change == 1) fs::copy_file(b, a, fs::copy_options::overwrite_existing);
        if (change == 2) fs::rename(b, a);
        if (change != 0) fs::last_write_time(a, time);
        const Collected cached = run(Later);
        EXPECT_EQ(cached.counts.Decoded, (std::array{1, 2, 2, 3}[change]));  // d.jpg: never kept
        EXPECT_EQ(run(Later).counts.FromCache, 2);
        ExpectSameRecords(cached.run, Cached(dir / "p", nullptr).run);
    }
}

const auto Shell = [](const std::string& command) { return std::system(command.c_str()); };

// Content replaced within one tick of a file system clock of whole seconds keeps its stamp.
TEST(FingerprintCache, ARewriteWithinOneTickOfACoarseClockIsDecodedAgain) {
    TempDir dir;
    const std::string root = dir / "m", at = "cd '" + dir.path().string() + "' && ";
    const std::shared_ptr<void> unmount(nullptr, [&](void*) { Shell(at + "umount m 2>&-"); });
    if (Shell(at + "truncate -s4M fs && mkfs.ext4 -qFI128 fs >&- 2>&- && mkdir m && mount fs m"))
        GTEST_SKIP() << "no loop mount here";
    WriteLibrary(root);
    const auto cache = FingerprintCache::Open(dir / "f.sqlite", {});
    Cached(root + "/p", cache.get());
    fs::copy_file(root + "/b.png", root + "/p/a.png", fs::copy_options::overwrite_existing);
    ExpectSameRecords(Cached(root + "/p", cache.get()).run, Cached(root + "/p", nullptr).run);
}

// A cache file that cannot serve, or another program's database behind its name (marked as
// another's, marked as ours but with other tables, or with a table of our name but not ours): one
// warning, the run finds what it finds without the cache, and the other program's file is left as
// it was.
TEST(FingerprintCache, AFaultyOrForeignCacheFileChangesNothing) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_IGN);
    for (const std::string fault :
         {"corrupt", "read-only folder", "full disk", "PRAGMA application_id=7",
          "PRAGMA application_id=1297241670; CREATE TABLE notes(text)",
          "CREATE TABLE pictures(x)"}) {
        SCOPED_TRACE(fault);
        TempDir dir;
        WriteLibrary(dir.path());
        const std::string file = dir / "c/f.sqlite", foreign = dir / "other.db";
        std::optional<test::ReadOnlyFolder> locked;
        fs::create_directories(dir / "c");
        if (fault == "corrupt") test::WriteTextFile(file, std::string(8192, 'x'));
        if (fault == "read-only folder" && !locked.emplace(dir / "c").ReadOnly()) continue;
        if (std::isupper(fault[0])) {  // a script: another program's database
            MakeDatabase(foreign, fault);
            fs::create_symlink(foreign, file);
        }
        const std::string before = test::ReadFile(foreign);
        int warnings = 0;
        auto cache = FingerprintCache::Open(
            file, [&](auto&) { ++warnings; }, Later);
        EXPECT_EQ(cache != nullptr, fault == "corrupt" || fault == "full disk");
        // Writes past a file's first byte fail, as on a full disk.
        const rlimit full{fault == "full disk" ? 1 : saved.rlim_cur, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
        const Collected once = Cached(dir / "p", cache.get());
        const Collected twice = Cached(dir / "p", cache.get());
        cache.reset();
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(warnings, 1);
        ExpectSameRecords(once.run, Cached(dir / "p", nullptr).run);
        ExpectSameRecords(twice.run, once.run);
        EXPECT_EQ(test::ReadFile(foreign), before);
    }
}

// A second program on the same file sees the first one's rows; a complete run drops the rows
// of vanished files under the folder it searched only; clearing empties the file.
TEST(FingerprintCache, SharedDropsRowsOfVanishedFilesOfTheSearchedFolderOnlyAndClears) {
    TempDir dir;
    WriteLibrary(dir.path());
    const auto cache = FingerprintCache::Open(dir / "f.sqlite", nullptr, Later);
    const auto other = FingerprintCache::Open(dir / "f.sqlite", nullptr, Later);
    Cached(dir.path().string(), cache.get());
    fs::remove(dir / "b.png");
    fs::remove(dir / "p/c.jpg");
    EXPECT_EQ(Cached(dir / "p", other.get()).counts.FromCache, 1);
    const std::string root = fs::canonical(dir.path()).string() + "/";
    const auto rows = cache->LoadFolder(root);  // a.png, and b.png: not under the folder searched
    EXPECT_TRUE(rows.size() == 2u && rows.contains(root + "b.png"));
    Cached(dir.path().string(), cache.get());
    EXPECT_EQ(other->LoadFolder(root).size(), 1u);
    other->Clear();
    EXPECT_TRUE(cache->LoadFolder(root).empty());
}

// An unmarked file of the first layout is ours, made anew; a row read back is the row stored,
// whatever its fill; without a home there is no cache.
TEST(FingerprintCache, AdoptsAnOldFileKeepsEveryFieldOfARowAndNeedsAHome) {
    TempDir dir;
    MakeDatabase(dir / "f.sqlite",
                 "CREATE TABLE pictures(path, device, inode, size, modified_ns,"
                 " changed_ns, fill, version, width, height, depth, cells)");
    const CachedPicture row{{{1, 2}, 3, 4, 5}, 6, 0x123456, 7, 8, 9, Fingerprint(1024, 10)};
    const auto cache = FingerprintCache::Open(dir / "f.sqlite", {});
    ASSERT_TRUE(cache);
    cache->Store(dir / "x/a.png", row);
    cache->Flush();
    EXPECT_EQ(cache->LoadFolder(dir / "x/")[dir / "x/a.png"], row);
    const char *xdg = std::getenv("XDG_CACHE_HOME"), *home = std::getenv("HOME");
    const std::string savedXdg = xdg ? xdg : "", savedHome = home ? home : "";
    unsetenv("XDG_CACHE_HOME");
    unsetenv("HOME");
    int warnings = 0;
    EXPECT_EQ(FingerprintCache::Open(DefaultCachePath(), [&](auto&) { ++warnings; }), nullptr);
    EXPECT_EQ(warnings, 1);
    setenv("XDG_CACHE_HOME", savedXdg.c_str(), 1);
    setenv("HOME", savedHome.c_str(), 1);
}

const std::set<std::string> kDamaged = {"truncated.jpg", "zero.jpg",    "text.png",
                                        "huge.png",      "corrupt.gif", "sub/vanishing.png"};

// The library under `root`. Every readable copy of pattern 1 is a duplicate of the others,
// a.png also under a second name; pattern 2 stands alone. (Links, loops and unreadable folders
// are the walk's and tested there.)
void WriteHostileLibrary(const std::string& root) {
    fs::create_directories(root + "/sub");
    // sub/vanishing.png goes missing between the walk and its fingerprint, truncated.jpg is
    // cut short below.
    for (const std::string& name : std::vector<std::string>{
             "a.png", "with blanks  .png", "Кириллица.bmp", "bad\xff\xfe name.png",
             "line\nbreak.png", "sub/copy.bmp", "sub/vanishing.png", "truncated.jpg"})
        test::WritePatternPicture(root + "/" + name, 160, 120, 1);
    test::WritePatternPicture(root + "/sub/alone.png", 160, 120, 2);
    fs::create_hard_link(root + "/a.png", root + "/sub/hard link.png");

    test::WriteTextFile(root + "/truncated.jpg",
                        test::ReadFile(root + "/truncated.jpg").substr(0, 300));
    test::WriteTextFile(root + "/zero.jpg", "");
    test::WriteTextFile(root + "/text.png", "this is not a picture\n");
    test::WriteHugeDeclaredPng(root + "/huge.png");
    test::WritePatternPicture(root + "/corrupt.gif", 160, 120, 3);
    std::string gif = test::ReadFile(root + "/corrupt.gif");
    for (std::size_t i = 30; i < gif.size(); i += 7) gif[i] = static_cast<char>(0xA5);
    test::WriteTextFile(root + "/corrupt.gif", gif);
}

// The lines of an output file without the group separators; each must end in CR LF.
std::multiset<std::string> EntryLines(const std::string& file) {
    std::multiset<std::string> lines;
    std::istringstream text(test::ReadFile(file));
    for (std::string line; std::getline(text, line);) {
        const std::size_t end = line.find('\r');
        EXPECT_EQ(end + 1, line.size()) << "not a whole line: " << line;
        if (line.substr(0, end) != kSeparatorLine) lines.insert(line.substr(0, end));
    }
    return lines;
}

// A whole search, the user's fingerprint cache (its XDG place) filled on the way.
// Several folders are one table, the reference folders first; a file reached twice (through an
// overlapping folder, a hard link) is taken once, as a reference when any way to it is one;
// the cache knows each file under its own folder.
TEST(SeveralFolders, ReferencesFirstAndEachFileOnce) {
    TempDir dir;
    fs::create_directories(dir / "ref");
    fs::create_directories(dir / "a/b");
    for (const char* name : {"ref/r.png", "a/x.png", "a/b/y.png"})
        test::WritePatternPicture(dir / name, 40, 30, 1);
    fs::create_hard_link(dir / "ref/r.png", dir / "a/b/linked.png");
    const auto cache = FingerprintCache::Open(dir / "c.sqlite", {}, Later);
    const CollectOptions options{
        .Cache = cache.get(), .MoreFolders = {dir / "a"}, .ReferenceFolders = {dir / "ref"}};
    for (const int fromCache : {0, 3}) {
        const Collected c = Collect(dir / "a/b", options);
        EXPECT_EQ(c.run.FileList, (std::vector<std::string>{"r.png", "y.png", "x.png"}));
        EXPECT_EQ(c.run.FullPath(1), dir / "a/b/y.png");
        EXPECT_TRUE(c.run.IsReference(0) && !c.run.IsReference(1) && !c.run.IsReference(2));
        EXPECT_EQ(c.counts.FromCache, fromCache);
    }
    EXPECT_EQ(Collect(dir / "a", {.ReferenceFolders = {dir / "none"}}).outcome,
              CollectOutcome::FolderMissing);
}

TEST(HostileLibrary, SearchGroupsTheReadableAndListsEachFileOnce) {
    test::TempDir dir;
    const std::string root = dir / "lib";
    WriteHostileLibrary(root);
    setenv("XDG_CACHE_HOME", dir.path().c_str(), 1);
    // clang-format off
    SearchRun search({.SearchFolder = root, .ListPath = dir / "list.txt",
                      .LogPath = dir / "run.log", .MoveFolder = {}});
    // clang-format on
    // One file goes missing after the walk listed it and before its fingerprint is made.
    const auto vanish = [&](int) { fs::remove(root + "/sub/vanishing.png"); };
    ASSERT_EQ(search.Collect(true, {.Walked = vanish, .FileHandled = {}}, {}),
              CollectOutcome::Done);
    EXPECT_TRUE(fs::exists(dir / "morvane/fingerprints.sqlite"));
    const CollectedRun& run = search.Collected();
    ASSERT_EQ(std::count(run.FileList.begin(), run.FileList.end(), "sub/vanishing.png"), 1);

    // The same file twice would show in the list below.
    for (int i = 0; i <= run.LastFile(); ++i)
        EXPECT_EQ(run.PicTable[i].Valid == 1, !kDamaged.contains(run.FileList[i])) << i;

    test::RecordingFrontEnd frontEnd;
    ASSERT_FALSE(search.OpenOutput(frontEnd));
    search.StartComparison();
    Review& review = search.TheReview();
    ReviewState state = search.Drive();
    for (; state == ReviewState::AwaitingDecision; state = search.Drive()) {
        EXPECT_NE(fs::canonical(review.LeftPath()), fs::canonical(review.RightPath()));
        review.Decide(ReviewDecision::SkipPair);
    }
    ASSERT_EQ(state, ReviewState::Finished);
    search.CloseOutput();
    EXPECT_EQ(review.GroupCount(), 1);
    EXPECT_TRUE(search.TheDisposer().Removals().empty());
    // Each copy once, under one of its names, as it stands but for the escaped line break.
    std::multiset<std::string> listed = EntryLines(dir / "list.txt");
    if (listed.erase(root + "/sub/hard link.png") == 1) listed.insert(root + "/a.png");
    std::multiset<std::string> expected;
    for (const char* name : {"/a.png", "/with blanks  .png", "/Кириллица.bmp",
                             "/bad\xff\xfe name.png", "/line\\nbreak.png", "/sub/copy.bmp"})
        expected.insert(root + name);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(EntryLines(dir / "run.log").size(), expected.size());
}

}  // namespace
}  // namespace morvane
