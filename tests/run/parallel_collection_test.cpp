// Fingerprints made on several workers against those the single-threaded path makes.
#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <tuple>

#include "run/collection.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;

// JPEGs, some large enough to be shrunk on load, PNGs, and files that are not pictures.
void WriteLibrary(const TempDir& dir, int count, bool large) {
    for (int i = 0; i < count; ++i) {
        const std::string name = dir / ("p" + std::to_string(100 + i) + (i % 2 ? ".png" : ".jpg"));
        const bool big = large && i % 4 == 0;
        if (i % 7 == 3)
            test::WriteTextFile(name, "not a picture");
        else
            test::WritePatternPicture(name, big ? 1100 : 90 + i, big ? 1030 + i : 70, i);
    }
}

// The files reported, each on the caller's thread (-1 on another), and a stop after `stopAt`.
CollectProgress Reporting(std::vector<int>& reported, std::atomic<bool>* running = nullptr,
                          int stopAt = -1) {
    CollectProgress progress;
    progress.FileHandled = [&reported, running, stopAt, caller = std::this_thread::get_id()](
                               int index, const std::string&) {
        reported.push_back(std::this_thread::get_id() == caller ? index : -1);
        if (index == stopAt) *running = false;
    };
    return progress;
}

TEST(ParallelCollection, RecordsMatchTheSingleThreadedPathInWalkOrder) {
    TempDir dir;
    WriteLibrary(dir, 21, true);
    const std::atomic<bool> running{true};
    std::vector<int> reported;
    CollectedRun run;
    ASSERT_EQ(CollectPictures(dir.path().string(), "*.*", running, Reporting(reported),
                              CollectOptions{3}, run),
              CollectOutcome::Done);
    ASSERT_EQ(run.FileList.size(), 21u);
    for (int i = 0; i <= run.LastFile(); ++i) {
        SCOPED_TRACE(run.FileList[i]);
        Dubl alone;
        MakeFingerprint(run.FullPath(i), alone.Fingerprint, GridSize, alone.PicWidth,
                        alone.PicHeight, alone.BitDepth, kWhiteFill);
        const Dubl& record = run.PicTable[i];
        EXPECT_EQ(record.Fingerprint, alone.Fingerprint);
        EXPECT_EQ(record.Valid, alone.Fingerprint.empty() ? 0 : 1);
        EXPECT_EQ(std::tie(record.PicWidth, record.PicHeight, record.BitDepth),
                  std::tie(alone.PicWidth, alone.PicHeight, alone.BitDepth));
        EXPECT_EQ(record.FileSize,
                  static_cast<std::int64_t>(std::filesystem::file_size(run.FullPath(i))));
    }
    std::vector<int> expected(21);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(reported, expected);
}

TEST(ParallelCollection, StopLeavesTheQueuedFilesUndone) {
    TempDir dir;
    WriteLibrary(dir, 40, false);
    std::atomic<bool> running{true};
    std::vector<int> reported;
    CollectedRun run;
    EXPECT_EQ(CollectPictures(dir.path().string(), "*.*", running, Reporting(reported, &running, 2),
                              CollectOptions{2}, run),
              CollectOutcome::Stopped);
    EXPECT_EQ(reported, (std::vector<int>{0, 1, 2}));
    int made = 0;
    for (const Dubl& record : run.PicTable) made += record.FileSize != 0;
    EXPECT_LT(made, 40);
}

TEST(ParallelCollection, EmptyFolderIsDoneWithNothingReported) {
    TempDir dir;
    const std::atomic<bool> running{true};
    std::vector<int> reported;
    CollectedRun run;
    EXPECT_EQ(CollectPictures(dir.path().string(), "*.*", running, Reporting(reported), run),
              CollectOutcome::Done);
    EXPECT_TRUE(run.PicTable.empty() && reported.empty());
}

}  // namespace
}  // namespace morvane
