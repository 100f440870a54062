// Disposal when the world does not cooperate: the move folder cannot take the file, the file
// cannot leave its folder, or it is gone by the time the user decides. Nothing is lost that
// was not asked for, and what failed is reported.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>

#include "engine/grouping.h"
#include "engine/review.h"
#include "files/disposal.h"
#include "support/read_only_folder.h"
#include "support/review_front_end.h"
#include "support/temp_dir.h"
#include "trash_home.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

std::size_t FilesIn(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) count += entry.is_regular_file();
    return count;
}

TEST(DisposalFaults, AFileThatCannotLeaveItsFolderIsReportedForEveryWay) {
    test::TempDir dir;
    fs::create_directory(dir / "pictures");
    test::WriteTextFile(dir / "pictures/a.jpg", "picture bytes");
    const test::ReadOnlyFolder locked(dir / "pictures");
    if (!locked.ReadOnly()) GTEST_SKIP() << "no way to make a read-only folder here";
    for (const DisposalWay way : {DisposalWay::MoveToFolder, DisposalWay::Trash}) {
        const DisposalResult result = DisposeFile(dir / "pictures/a.jpg", way, dir / "moved");
        EXPECT_FALSE(result.removed);
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(test::ReadFile(dir / "pictures/a.jpg"), "picture bytes");
    }
    EXPECT_EQ(fs::exists(dir / "moved") ? FilesIn(dir / "moved") : 0u, 0u);
    // A wipe overwrites first (the user asked for the bytes to go) but must say that the
    // name could not be removed.
    const DisposalResult wiped = DisposeFile(dir / "pictures/a.jpg", DisposalWay::Wipe, "");
    EXPECT_FALSE(wiped.removed);
    EXPECT_FALSE(wiped.message.empty());
    EXPECT_TRUE(fs::exists(dir / "pictures/a.jpg"));
}

// A tiny file system of its own, when this machine lets the test mount one.
class TinyFileSystem {
  public:
    explicit TinyFileSystem(const std::string& path) : path_(path) {
        fs::create_directories(path);
        mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=16k") == 0;
    }
    ~TinyFileSystem() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }

  private:
    std::string path_;
    bool mounted_ = false;
};

TEST(DisposalFaults, AFullMoveFolderLeavesTheFileWholeAndNoPartialCopy) {
    test::TempDir dir;
    const TinyFileSystem tiny(dir / "tiny");
    if (!tiny.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (needs rights)";
    const std::string bytes(256 * 1024, 'p');
    test::WriteTextFile(dir / "big.jpg", bytes);
    const DisposalResult result =
        DisposeFile(dir / "big.jpg", DisposalWay::MoveToFolder, dir / "tiny/moved");
    EXPECT_FALSE(result.removed);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(test::ReadFile(dir / "big.jpg"), bytes);
    EXPECT_EQ(fs::exists(dir / "tiny/moved") ? FilesIn(dir / "tiny/moved") : 0u, 0u);
}

class ReviewDisposalFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        run.SearchRoot = dir.path().string() + "/lib/";
        fs::create_directory(run.SearchRoot);
        for (const char* name : {"p.jpg", "q.jpg", "r.jpg"}) {
            test::WriteTextFile(run.SearchRoot + name, std::string(100, name[0]));
            run.FileList.push_back(name);
            run.PicTable.push_back(
                {.Valid = 1, .FileSize = 100, .Fingerprint = Fingerprint(LastCell + 1, 7)});
        }
        ASSERT_FALSE(files.Open(dir / "run.log", dir / "list.txt"));
        // The review with the real disposal behind it.
        frontEnd.dispose = [this](const std::string& path) {
            const DisposalResult result =
                DisposeFile(path, DisposalWay::MoveToFolder, dir / "moved");
            if (!result.message.empty()) messages.push_back(result.message);
            return result.removed;
        };
    }

    ReviewState Start(Review& review) { return test::ScanAndResume(review, run.PicTable, 70); }

    test::TempDir dir;
    CollectedRun run;
    OutputFiles files;
    test::RecordingFrontEnd frontEnd;
    std::vector<std::string> messages;
};

TEST_F(ReviewDisposalFaults, AFileGoneBeforeTheDecisionRemovesNothingElse) {
    Review review(run, files, frontEnd);
    ASSERT_EQ(Start(review), ReviewState::AwaitingDecision);
    fs::remove(review.LeftPath());
    ASSERT_TRUE(review.Decide(ReviewDecision::DeleteLeft));
    // The missing file is no removal and no failure; the right one is still offered.
    EXPECT_EQ(review.RemovedCount(), 0);
    EXPECT_EQ(review.FailedRemovals(), 0);
    ASSERT_EQ(review.Resume(), ReviewState::AwaitingDecision);
    EXPECT_TRUE(fs::exists(run.FullPath(1)));
    EXPECT_TRUE(fs::exists(run.FullPath(2)));
    EXPECT_FALSE(fs::exists(dir / "moved"));
}

TEST_F(ReviewDisposalFaults, KeepOneWithAnUnusableMoveFolderCountsEachFailure) {
    const test::ReadOnlyFolder locked(dir / "moved");
    if (!locked.ReadOnly()) GTEST_SKIP() << "no way to make a read-only folder here";
    Review review(run, files, frontEnd);
    review.KeepOneOfEvery(false);
    ASSERT_EQ(Start(review), ReviewState::Finished);
    EXPECT_EQ(review.RemovedCount(), 0);
    EXPECT_EQ(review.FailedRemovals(), 2);
    EXPECT_EQ(messages.size(), 2u);
    for (int i = 0; i <= run.LastFile(); ++i) EXPECT_TRUE(fs::exists(run.FullPath(i)));
}

}  // namespace
}  // namespace morvane
