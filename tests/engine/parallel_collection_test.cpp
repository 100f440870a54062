// Fingerprints made on several workers against those the single-threaded path makes.
#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <tuple>

#include "engine/search_run.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::TempDir;

// JPEGs, some large enough to be shrunk on load, PNGs, and files that are not pictures.
void WriteLibrary(const TempDir& dir, int count, bool large) {
    for (int i = 0; i < count; ++i) {
        char name[32];
        if (i % 7 == 3) {
            std::snprintf(name, sizeof name, "p%03d.jpg", i);
            test::WriteTextFile(dir / name, "not a picture");
            continue;
        }
        std::snprintf(name, sizeof name, "p%03d.%s", i, i % 2 ? "png" : "jpg");
        const bool big = large && i % 4 == 0;
        test::WritePatternPicture(dir / name, big ? 1100 : 90 + i, big ? 1030 + i : 70,
                                  static_cast<unsigned>(i));
    }
}

struct Reported {
    std::vector<int> indices;
    std::vector<std::thread::id> threads;
};

CollectProgress Recording(Reported& reported) {
    CollectProgress progress;
    progress.FileHandled = [&reported](int index, const std::string&) {
        reported.indices.push_back(index);
        reported.threads.push_back(std::this_thread::get_id());
    };
    return progress;
}

TEST(ParallelCollection, RecordsMatchTheSingleThreadedPathInWalkOrder) {
    TempDir dir;
    WriteLibrary(dir, 21, true);
    const std::atomic<bool> running{true};
    Reported reported;
    CollectedRun run;
    ASSERT_EQ(CollectPictures(dir.path().string(), "*.*", running, Recording(reported),
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
    EXPECT_EQ(reported.indices, expected);
    for (const auto& id : reported.threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(ParallelCollection, StopLeavesTheQueuedFilesUndone) {
    TempDir dir;
    WriteLibrary(dir, 40, false);
    std::atomic<bool> running{true};
    Reported reported;
    CollectProgress progress = Recording(reported);
    progress.FileHandled = [&](int index, const std::string&) {
        reported.indices.push_back(index);
        if (index == 2) running = false;
    };
    CollectedRun run;
    EXPECT_EQ(
        CollectPictures(dir.path().string(), "*.*", running, progress, CollectOptions{2}, run),
        CollectOutcome::Stopped);
    EXPECT_EQ(reported.indices, (std::vector<int>{0, 1, 2}));
    int made = 0;
    for (const Dubl& record : run.PicTable) made += record.FileSize != 0;
    EXPECT_LT(made, 40);
}

TEST(ParallelCollection, EmptyFolderIsDoneWithNothingReported) {
    TempDir dir;
    const std::atomic<bool> running{true};
    Reported reported;
    CollectedRun run;
    EXPECT_EQ(CollectPictures(dir.path().string(), "*.*", running, Recording(reported), run),
              CollectOutcome::Done);
    EXPECT_TRUE(run.PicTable.empty());
    EXPECT_TRUE(reported.indices.empty());
}

}  // namespace
}  // namespace morvane
