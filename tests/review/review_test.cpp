#include "review/review.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/review_front_end.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using enum ReviewDecision;
using Events = std::vector<std::string>;

// A folder of files p.jpg, q.jpg... of the given sizes, every one with the same fingerprint
// unless `unrelated` names its index; the review started at threshold 70.
class ReviewTest : public ::testing::Test {
  protected:
    ReviewState Start(const std::vector<std::int64_t>& sizes,
                      const std::vector<int>& unrelated = {},
                      std::optional<bool> keepSmallest = {}) {
        run.SearchRoot = dir.path().string() + "/";
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const std::string name = std::string(1, static_cast<char>('p' + i)) + ".jpg";
            test::WriteTextFile(dir / name, std::string(sizes[i], 'x'));
            run.FileList.push_back(name);
            const bool alone = std::find(unrelated.begin(), unrelated.end(), i) != unrelated.end();
            run.PicTable.push_back({.Valid = 1,
                                    .FileSize = sizes[i],
                                    .PicWidth = 640,
                                    .PicHeight = 480,
                                    .BitDepth = 24,
                                    .Fingerprint = Fingerprint(LastCell + 1, alone ? i : 200)});
        }
        frontEnd.dispose = [](const std::string& path) { return fs::remove(path); };
        EXPECT_FALSE(files.Open(dir / "Kestrum.log", dir / "list.txt"));
        if (keepSmallest) review.KeepOneOfEvery(*keepSmallest);
        return test::ScanAndResume(review, run.PicTable, 70);
    }
    // Which of p.jpg, q.jpg... are still there, as "pq-s".
    std::string Left(int count) const {
        std::string left;
        for (int i = 0; i < count; ++i)
            left += fs::exists(dir / (std::string(1, 'p' + i) + ".jpg")) ? char('p' + i) : '-';
        return left;
    }
    std::string Listed(const std::string& names) const {
        std::string list = "--------------------\r\n";
        for (const char name : names) list += run.SearchRoot + name + ".jpg\r\n";
        return list;
    }

    test::TempDir dir;
    CollectedRun run;
    OutputFiles files;
    test::RecordingFrontEnd frontEnd;
    Review review{run, files, frontEnd};
};

TEST_F(ReviewTest, SkipKeepsTheLeftPictureAndDeleteLeftEndsTheGroup) {
    ASSERT_EQ(Start({10, 20, 30}), ReviewState::AwaitingDecision);
    EXPECT_EQ(review.LeftPath() + review.RightPath(), run.FullPath(0) + run.FullPath(1));
    ASSERT_TRUE(review.Decide(SkipPair));
    ASSERT_EQ(review.Resume(), ReviewState::AwaitingDecision);
    EXPECT_EQ(review.RightPath(), run.FullPath(2));
    ASSERT_TRUE(review.Decide(DeleteLeft));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_EQ(Left(3), "-qr");
    EXPECT_EQ(
        frontEnd.events,
        (Events{"dup 2", "left p.jpg|   10|640x480x24", "right q.jpg|   20|640x480x24",
                "right r.jpg|   30|640x480x24", "remove p.jpg", "clear", "done 1", "done 3"}));
    EXPECT_EQ(review.RemovedCount() * 100 + review.RemovedBytes(), 110);
}

TEST_F(ReviewTest, DeletedLeftIsRefilledAndDeleteRightEndsTheGroup) {
    ASSERT_EQ(Start({10, 20, 30}), ReviewState::AwaitingDecision);
    ASSERT_TRUE(review.Decide(DeleteLeft));
    ASSERT_EQ(review.Resume(), ReviewState::AwaitingDecision);
    EXPECT_EQ(review.LeftPath() + review.RightPath(), run.FullPath(2) + run.FullPath(1));
    ASSERT_TRUE(review.Decide(DeleteRight));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_EQ(Left(3), "--r");
}

TEST_F(ReviewTest, DecisionsAreIgnoredWithoutAPairOrAfterSkipAll) {
    EXPECT_FALSE(review.Decide(DeleteLeft));
    ASSERT_EQ(Start({10, 20, 30, 40}, {1, 3}), ReviewState::AwaitingDecision);
    ASSERT_TRUE(review.Decide(SkipAll));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_FALSE(review.Decide(DeleteLeft));
    EXPECT_EQ(review.GroupCount(), 1);
    EXPECT_EQ(test::ReadFile(dir / "list.txt"), Listed("pr"));
    EXPECT_EQ(Left(4), "pqrs");
}

TEST_F(ReviewTest, StopDuringAWaitWritesNothingMore) {
    ASSERT_EQ(Start({10, 20, 30}), ReviewState::AwaitingDecision);
    review.Stop();
    EXPECT_EQ(review.Resume(), ReviewState::Stopped);
    EXPECT_FALSE(review.Decide(DeleteLeft));
    EXPECT_EQ(review.LeftPath() + review.RightPath(), "");
    EXPECT_EQ(test::ReadFile(dir / "list.txt"), Listed("pq"));
    EXPECT_EQ(frontEnd.events.back(), "clear");
}

// The keep-one pass reads the sizes and keeps the earlier file on a tie.
TEST_F(ReviewTest, KeepTheLargestKeepsTheFirstOfEqualSizes) {
    ASSERT_EQ(Start({10000, 30000, 30000, 20000}), ReviewState::AwaitingDecision);
    ASSERT_TRUE(review.Decide(DeleteAllSmaller));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_EQ(Left(4), "-q--");
    EXPECT_EQ(review.RemovedBytes(), 60000);
}

// Nothing is shown in this mode, but every group is listed.
TEST_F(ReviewTest, KeepTheSmallestFromTheFirstGroup) {
    EXPECT_EQ(Start({10000, 30000, 30000, 20000}, {}, true), ReviewState::Finished);
    EXPECT_EQ(Left(4), "p---");
    EXPECT_EQ(std::count(frontEnd.events.begin(), frontEnd.events.end(), "clear"), 1);
    EXPECT_EQ(review.RemovedCount(), 3);
    EXPECT_EQ(test::ReadFile(dir / "list.txt"), Listed("pqrs"));
}

TEST_F(ReviewTest, NoMatchesLeaveBothFilesEmpty) {
    EXPECT_EQ(Start({10, 20}, {0, 1}), ReviewState::Finished);
    files.Close();
    EXPECT_EQ(test::ReadFile(dir / "list.txt") + test::ReadFile(dir / "Kestrum.log"), "");
    EXPECT_EQ(frontEnd.events, (Events{"done 2"}));
}

}  // namespace
}  // namespace morvane
