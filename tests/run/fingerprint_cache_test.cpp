// The fingerprint cache: which files it spares from decoding, and that no fault of its file
// ever changes what a run finds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>

#include "run/collection.h"
#include "run/fingerprint_cache.h"
#include "support/read_only_folder.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;

struct Collected {
    CollectedRun run;
    CollectCounts counts;
};

Collected Collect(const std::string& folder, FingerprintCache* cache) {
    const std::atomic<bool> running{true};
    Collected result;
    EXPECT_EQ(
        CollectPictures(folder, "*.*", running, {},
                        CollectOptions{.Threads = 2, .Cache = cache, .Counts = &result.counts},
                        result.run),
        CollectOutcome::Done);
    return result;
}

// Everything a run's comparison and files are made from.
void ExpectSameRecords(const CollectedRun& got, const CollectedRun& expected) {
    ASSERT_EQ(got.FileList, expected.FileList);
    for (std::size_t i = 0; i < got.FileList.size(); ++i) {
        SCOPED_TRACE(got.FileList[i]);
        const Dubl &a = got.PicTable[i], &b = expected.PicTable[i];
        EXPECT_EQ(a.Fingerprint, b.Fingerprint);
        EXPECT_EQ(std::tie(a.Valid, a.FileSize, a.PicWidth, a.PicHeight, a.BitDepth),
                  std::tie(b.Valid, b.FileSize, b.PicWidth, b.PicHeight, b.BitDepth));
    }
}

// Three pictures and a file that is not one; a.png and b.png are the same size.
void WriteLibrary(const TempDir& dir) {
    std::filesystem::create_directories(dir.path() / "p");
    test::WriteFlatPicture(dir / "p/a.png", 40, 30, 10, 20, 30);
    test::WriteFlatPicture(dir / "b.png", 40, 30, 200, 100, 50);
    test::WritePatternPicture(dir / "p/c.jpg", 120, 90, 7);
    test::WriteTextFile(dir / "p/d.jpg", "not a picture");
}

void SetModified(const std::string& file, const timespec& time) {
    const timespec times[2] = {time, time};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

timespec Modified(const std::string& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return info.st_mtim;
}

struct Change {
    const char* name;
    std::function<void(const TempDir&)> apply;
    int decodedAgain;
};

TEST(FingerprintCache, DecodesAgainExactlyTheFilesThatChanged) {
    const Change changes[] = {
        {"nothing", [](const TempDir&) {}, 0},
        {"rewritten in place, same size and time",
         [](const TempDir& dir) {
             const timespec before = Modified(dir / "p/a.png");
             std::filesystem::copy_file(dir / "b.png", dir / "p/a.png",
                                        std::filesystem::copy_options::overwrite_existing);
             SetModified(dir / "p/a.png", before);
         },
         1},
        {"replaced by rename, same size and time",
         [](const TempDir& dir) {
             SetModified(dir / "b.png", Modified(dir / "p/a.png"));
             std::filesystem::rename(dir / "b.png", dir / "p/a.png");
         },
         1},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        TempDir dir;
        WriteLibrary(dir);
        ASSERT_EQ(std::filesystem::file_size(dir / "p/a.png"),
                  std::filesystem::file_size(dir / "b.png"));
        const auto cache = FingerprintCache::Open(dir / "c/f.sqlite", nullptr);
        ASSERT_TRUE(cache);
        EXPECT_EQ(Collect(dir / "p", cache.get()).counts.Decoded, 3);
        change.apply(dir);
        const Collected cached = Collect(dir / "p", cache.get());
        EXPECT_EQ(cached.counts.Decoded, 1 + change.decodedAgain);  // d.jpg is never kept
        EXPECT_EQ(cached.counts.FromCache, 2 - change.decodedAgain);
        ExpectSameRecords(cached.run, Collect(dir / "p", nullptr).run);
    }
}

// A cache file that cannot serve: one warning, and the run finds what it finds without one.
TEST(FingerprintCache, AFaultyCacheFileChangesNothing) {
    for (const bool corrupt : {true, false}) {
        SCOPED_TRACE(corrupt ? "corrupt file" : "read-only folder");
        TempDir dir;
        WriteLibrary(dir);
        std::optional<test::ReadOnlyFolder> locked;
        if (corrupt) {
            std::filesystem::create_directories(dir.path() / "c");
            test::WriteTextFile(dir / "c/f.sqlite", std::string(8192, 'x'));
        } else if (!locked.emplace(dir / "c").ReadOnly()) {
            continue;  // neither rights nor the immutable mark hold here
        }
        int warnings = 0;
        auto cache = FingerprintCache::Open(dir / "c/f.sqlite", [&](auto&) { ++warnings; });
        EXPECT_EQ(cache != nullptr, corrupt);  // a damaged file is made afresh
        const Collected once = Collect(dir / "p", cache.get());
        const Collected twice = Collect(dir / "p", cache.get());
        cache.reset();
        EXPECT_EQ(warnings, 1);
        ExpectSameRecords(once.run, Collect(dir / "p", nullptr).run);
        ExpectSameRecords(twice.run, once.run);
    }
}

TEST(FingerprintCache, DropsRowsOfVanishedFilesOfTheSearchedFolderOnly) {
    TempDir dir;
    WriteLibrary(dir);
    const auto cache = FingerprintCache::Open(dir / "f.sqlite", nullptr);
    Collect(dir.path().string(), cache.get());
    std::filesystem::remove(dir / "b.png");
    std::filesystem::remove(dir / "p/c.jpg");
    Collect(dir / "p", cache.get());
    const std::string root = std::filesystem::canonical(dir.path()).string() + "/";
    const auto rows = cache->LoadFolder(root);
    EXPECT_EQ(rows.size(), 2u);  // a.png, and b.png: not under the folder searched
    EXPECT_TRUE(rows.contains(root + "b.png"));
    Collect(dir.path().string(), cache.get());
    EXPECT_EQ(cache->LoadFolder(root).size(), 1u);
}

// Two programs at once share the file; --no-cache makes none; --clear-cache empties it.
TEST(FingerprintCache, CommandLineRunsAtOnceWithoutAndClearing) {
    TempDir dir;
    WriteLibrary(dir);
    std::filesystem::copy_file(dir / "p/c.jpg", dir / "p/e.jpg");
    const std::string folder = test::ShellQuoted(dir / "p");
    const auto run = [&](const std::string& home, const std::string& arguments,
                         const std::string& list) {
        return "XDG_CACHE_HOME=" + test::ShellQuoted(dir / home) + " " MORVANE_CLI_PATH " " +
               arguments + " --list " + test::ShellQuoted(dir / list) + " --log " +
               test::ShellQuoted(dir / (list + ".log")) + " " + folder + " >/dev/null 2>&1";
    };
    ASSERT_EQ(std::system((run("none", "--no-cache", "plain") + " && (" + run("x", "", "one") +
                           " & " + run("x", "", "two") + "; wait)")
                              .c_str()),
              0);
    EXPECT_FALSE(std::filesystem::exists(dir / "none"));
    ASSERT_NE(test::ReadFile(dir / "plain").find("e.jpg"), std::string::npos);
    for (const char* list : {"one", "two"})
        EXPECT_EQ(test::ReadFile(dir / list), test::ReadFile(dir / "plain"));
    const std::string database = dir / "x/morvane/fingerprints.sqlite";
    const std::string root = std::filesystem::canonical(dir / "p").string() + "/";
    EXPECT_EQ(FingerprintCache::Open(database, nullptr)->LoadFolder(root).size(), 3u);
    setenv("XDG_CACHE_HOME", (dir / "x").c_str(), 1);
    EXPECT_EQ(test::RunCli("--clear-cache").status, 0);
    EXPECT_TRUE(FingerprintCache::Open(database, nullptr)->LoadFolder(root).empty());
}

}  // namespace
}  // namespace morvane
