// The list or the log cannot be written: on a full disk, in a read-only folder, or removed
// while the run writes. The run stops with the path named and removes nothing afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "compare/grouping.h"
#include "review/output_files.h"
#include "review/review.h"
#include "run/collection.h"
#include "support/read_only_folder.h"
#include "support/review_front_end.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

// Two groups of two copies each (the BMP copy the larger), in walk-independent folders.
std::vector<std::string> MakeTwoGroups(const std::string& root) {
    fs::create_directories(root);
    std::vector<std::string> files;
    for (const std::string name : {"a.png", "a.bmp", "b.png", "b.bmp"}) {
        files.push_back(root + "/" + name);
        test::WritePatternPicture(files.back(), 96, 64, name[0] - 'a' + 1);
    }
    return files;
}

// Runs the whole keep-the-largest review of `root` into the given log and list.
ReviewState KeepLargestRun(const std::string& root, const std::string& log, const std::string& list,
                           test::RecordingFrontEnd& frontEnd,
                           std::optional<std::string>& failedPath) {
    const std::atomic<bool> running{true};
    CollectedRun run;
    EXPECT_EQ(CollectPictures(root, "*.png;*.bmp", running, {}, run), CollectOutcome::Done);
    OutputFiles files;
    if (const auto failed = files.Open(log, list)) {
        failedPath = failed;
        return ReviewState::WriteFailed;
    }
    frontEnd.dispose = [](const std::string& path) { return fs::remove(path); };
    Review review(run, files, frontEnd);
    review.KeepOneOfEvery(false);
    const ReviewState state = test::ScanAndResume(review, run.PicTable, 90);
    failedPath = review.FailedPath();
    return state;
}

TEST(OutputFaults, AFullDiskStopsTheRunBeforeAnyRemoval) {
    for (const bool listFull : {true, false}) {
        test::TempDir dir;
        const std::vector<std::string> files = MakeTwoGroups(dir / "lib");
        const std::string log = listFull ? dir / "run.log" : "/dev/full";
        const std::string list = listFull ? "/dev/full" : dir / "list.txt";
        test::RecordingFrontEnd frontEnd;
        std::optional<std::string> failed;
        EXPECT_EQ(KeepLargestRun(dir / "lib", log, list, frontEnd, failed),
                  ReviewState::WriteFailed);
        EXPECT_EQ(failed, "/dev/full");
        EXPECT_TRUE(frontEnd.disposed.empty());
        for (const std::string& file : files) EXPECT_TRUE(fs::exists(file)) << file;
    }
}

TEST(OutputFaults, AListRemovedWhileWrittenStopsTheRunAtTheNextGroup) {
    test::TempDir dir;
    const std::vector<std::string> files = MakeTwoGroups(dir / "lib");
    test::RecordingFrontEnd frontEnd;
    // The user (or a cleaner) deletes the list once the first group is in it.
    frontEnd.onGroup = [&](int group) {
        if (group == 2) fs::remove(dir / "list.txt");
    };
    std::optional<std::string> failed;
    EXPECT_EQ(KeepLargestRun(dir / "lib", dir / "run.log", dir / "list.txt", frontEnd, failed),
              ReviewState::WriteFailed);
    EXPECT_EQ(failed, dir / "list.txt");
    // The first group was written whole before its smaller copy went; the second group's
    // copies are both still there.
    EXPECT_EQ(frontEnd.disposed.size(), 1u);
    EXPECT_EQ(std::count_if(files.begin(), files.end(), [](auto& f) { return fs::exists(f); }), 3);
}

TEST(OutputFaults, CliExitsWithTheMessageAndMovesNothing) {
    test::TempDir dir;
    const std::vector<std::string> files = MakeTwoGroups(dir / "lib");
    const test::ReadOnlyFolder locked(dir / "locked");
    // Refused before anything is written: the log's own file, a searched picture. The list
    // given, the message.
    const std::string create = "Ошибка создания файла!\n";
    std::vector<std::pair<std::string, std::string>> cases = {
        {dir / "run.log", create + dir / "run.log"}, {files[0], create + files[0]}};
    if (locked.ReadOnly()) cases.push_back({dir / "locked/list.txt", create + dir / "locked"});
    cases.push_back({"/dev/full", "Ошибка записи файла!\n/dev/full"});
    test::WriteTextFile(dir / "run.log", "previous run");
    for (const auto& [list, message] : cases) {
        const test::CliResult result =
            test::RunCli("--masks '*.png;*.bmp' --threshold 90 --keep largest --dispose " +
                         test::ShellQuoted("move:" + dir / "moved") + " --log " +
                         test::ShellQuoted(dir / "run.log") + " --list " + test::ShellQuoted(list) +
                         " " + test::ShellQuoted(dir / "lib"));
        EXPECT_EQ(result.status, 1) << result.out;
        EXPECT_NE(result.out.find(message), std::string::npos) << result.out;
        for (const std::string& file : files) EXPECT_GT(fs::file_size(file), 0u) << file;
        EXPECT_FALSE(fs::exists(dir / "moved"));
        EXPECT_TRUE(list == "/dev/full" || test::ReadFile(dir / "run.log") == "previous run");
    }
}

}  // namespace
}  // namespace morvane
