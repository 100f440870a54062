#include "engine/review.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/review_front_end.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

// A folder of files with the given sizes and names, every one with the same fingerprint
// unless `unrelated` names its index.
class ReviewTest : public ::testing::Test {
  protected:
    void MakeFiles(const std::vector<std::int64_t>& sizes, const std::vector<int>& unrelated = {}) {
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
    }

    ReviewState Start(Review& review) {
        EXPECT_FALSE(files.Open(dir / "Kestrum.log", dir / "list.txt"));
        return test::ScanAndResume(review, run.PicTable, 70);
    }

    bool Exists(const std::string& name) const { return fs::exists(dir / name); }
    std::string List() const { return test::ReadFile(dir / "list.txt"); }

    test::TempDir dir;
    CollectedRun run;
    OutputFiles files;
    test::RecordingFrontEnd frontEnd;
    void SetUp() override {
        frontEnd.dispose = [](const std::string& path) { return fs::remove(path); };
    }
};

TEST_F(ReviewTest, SkipKeepsTheLeftPictureAndDeleteLeftEndsTheGroup) {
    MakeFiles({10, 20, 30});
    Review review(run, files, frontEnd);
    ASSERT_EQ(Start(review), ReviewState::AwaitingDecision);
    EXPECT_EQ(review.LeftPath(), run.FullPath(0));
    EXPECT_EQ(review.RightPath(), run.FullPath(1));
    ASSERT_TRUE(review.Decide(ReviewDecision::SkipPair));
    ASSERT_EQ(review.Resume(), ReviewState::AwaitingDecision);
    EXPECT_EQ(review.RightPath(), run.FullPath(2));
    ASSERT_TRUE(review.Decide(ReviewDecision::DeleteLeft));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_FALSE(Exists("p.jpg"));
    EXPECT_TRUE(Exists("q.jpg") && Exists("r.jpg"));
    EXPECT_EQ(frontEnd.events,
              (std::vector<std::string>{
                  "dup 2", "left p.jpg|   10|640x480x24", "right q.jpg|   20|640x480x24",
                  "right r.jpg|   30|640x480x24", "remove p.jpg", "clear", "done 1", "done 3"}));
    EXPECT_EQ(review.RemovedCount(), 1);
    EXPECT_EQ(review.RemovedBytes(), 10);
}

TEST_F(ReviewTest, DeletedLeftIsRefilledAndDeleteRightEndsTheGroup) {
    MakeFiles({10, 20, 30});
    Review review(run, files, frontEnd);
    ASSERT_EQ(Start(review), ReviewState::AwaitingDecision);
    ASSERT_TRUE(review.Decide(ReviewDecision::DeleteLeft));
    ASSERT_EQ(review.Resume(), ReviewState::AwaitingDecision);
    EXPECT_EQ(review.LeftPath(), run.FullPath(2));
    EXPECT_EQ(review.RightPath(), run.FullPath(1));
    ASSERT_TRUE(review.Decide(ReviewDecision::DeleteRight));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_FALSE(Exists("p.jpg") || Exists("q.jpg"));
    EXPECT_TRUE(Exists("r.jpg"));
}

TEST_F(ReviewTest, DecisionsAreIgnoredWithoutAPairOrAfterSkipAll) {
    MakeFiles({10, 20, 30, 40}, {1, 3});
    Review review(run, files, frontEnd);
    EXPECT_FALSE(review.Decide(ReviewDecision::DeleteLeft));
    ASSERT_EQ(Start(review), ReviewState::AwaitingDecision);
    ASSERT_TRUE(review.Decide(ReviewDecision::SkipAll));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_FALSE(review.Decide(ReviewDecision::DeleteLeft));
    EXPECT_EQ(review.GroupCount(), 1);
    const std::string root = run.SearchRoot;
    EXPECT_EQ(List(), "--------------------\r\n" + root + "p.jpg\r\n" + root + "r.jpg\r\n");
    EXPECT_TRUE(Exists("p.jpg") && Exists("r.jpg"));
}

TEST_F(ReviewTest, StopDuringAWaitWritesNothingMore) {
    MakeFiles({10, 20, 30});
    Review review(run, files, frontEnd);
    ASSERT_EQ(Start(review), ReviewState::AwaitingDecision);
    review.Stop();
    EXPECT_EQ(review.Resume(), ReviewState::Stopped);
    EXPECT_FALSE(review.Decide(ReviewDecision::DeleteLeft));
    EXPECT_TRUE(review.LeftPath().empty() && review.RightPath().empty());
    const std::string root = run.SearchRoot;
    EXPECT_EQ(List(), "--------------------\r\n" + root + "p.jpg\r\n" + root + "q.jpg\r\n");
    EXPECT_EQ(frontEnd.events.back(), "clear");
}

// The keep-one pass reads the sizes and keeps the earlier file on a tie.
TEST_F(ReviewTest, KeepTheLargestKeepsTheFirstOfEqualSizes) {
    MakeFiles({10000, 30000, 30000, 20000});
    Review review(run, files, frontEnd);
    ASSERT_EQ(Start(review), ReviewState::AwaitingDecision);
    ASSERT_TRUE(review.Decide(ReviewDecision::DeleteAllSmaller));
    EXPECT_EQ(review.Resume(), ReviewState::Finished);
    EXPECT_TRUE(Exists("q.jpg"));
    EXPECT_FALSE(Exists("p.jpg") || Exists("r.jpg") || Exists("s.jpg"));
    EXPECT_EQ(review.RemovedBytes(), 60000);
}

// Nothing is shown in this mode, but every group is listed.
TEST_F(ReviewTest, KeepTheSmallestFromTheFirstGroup) {
    MakeFiles({10000, 30000, 30000, 20000});
    Review review(run, files, frontEnd);
    review.KeepOneOfEvery(true);
    EXPECT_EQ(Start(review), ReviewState::Finished);
    EXPECT_TRUE(Exists("p.jpg"));
    EXPECT_FALSE(Exists("q.jpg") || Exists("r.jpg") || Exists("s.jpg"));
    EXPECT_EQ(std::count(frontEnd.events.begin(), frontEnd.events.end(), "clear"), 1);
    EXPECT_EQ(review.RemovedCount(), 3);
}

TEST_F(ReviewTest, NoMatchesLeaveBothFilesEmpty) {
    MakeFiles({10, 20}, {0, 1});
    Review review(run, files, frontEnd);
    EXPECT_EQ(Start(review), ReviewState::Finished);
    files.Close();
    EXPECT_EQ(List(), "");
    EXPECT_EQ(test::ReadFile(dir / "Kestrum.log"), "");
    EXPECT_EQ(frontEnd.events, (std::vector<std::string>{"done 2"}));
}

}  // namespace
}  // namespace morvane
