// A wipe cut short or overtaken between its passes: the file chosen may be left half
// overwritten, but no other file is touched and the failure is reported, never a success.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "files/wipe.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteTextFile;

// Runs `action` once, as pass `pass` finishes its first block.
WipeObserver AtPass(int pass, std::function<void()> action) {
    return [pass, action = std::move(action), done = false](int current, std::int64_t,
                                                            std::span<const std::uint8_t>) mutable {
        if (current != pass || done) return;
        done = true;
        action();
    };
}

class WipeInterrupted : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteTextFile(chosen, "the picture to wipe");
        WriteTextFile(neighbour, "a picture kept");
    }
    void ExpectNeighbourWhole() const { EXPECT_EQ(ReadFile(neighbour), "a picture kept"); }
    std::size_t FilesLeft() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
    }

    const TempDir dir;
    const std::string chosen = dir / "chosen.jpg";
    const std::string neighbour = dir / "neighbour.jpg";
};

TEST_F(WipeInterrupted, AnObserverThatThrowsLeavesTheFileUnderItsNameAndOthersWhole) {
    const WipeObserver stop = AtPass(2, [] { throw std::runtime_error("stopped"); });
    EXPECT_THROW(WipeAndRemove(chosen, stop), std::runtime_error);
    ASSERT_TRUE(fs::exists(chosen));  // not renamed away under a random name
    EXPECT_EQ(fs::file_size(chosen), std::string("the picture to wipe").size());
    ExpectNeighbourWhole();
    EXPECT_EQ(FilesLeft(), 2u);
    // Nothing stays open or locked: a second attempt finishes the job.
    const WipeResult again = WipeAndRemove(chosen);
    EXPECT_TRUE(again.removed);
    EXPECT_TRUE(again.message.empty()) << again.message;
    ExpectNeighbourWhole();
}

TEST_F(WipeInterrupted, AFileRemovedBetweenPassesIsReportedAndNothingElseGoes) {
    const WipeResult result = WipeAndRemove(chosen, AtPass(1, [&] { fs::remove(chosen); }));
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.message, "Не могу удалить файл!\n" + chosen);
    ExpectNeighbourWhole();
    EXPECT_EQ(FilesLeft(), 1u);
}

TEST_F(WipeInterrupted, AFilePutInItsPlaceBetweenPassesStaysUnderItsName) {
    const std::string aside = dir / "aside.jpg";
    const WipeResult result = WipeAndRemove(chosen, AtPass(1, [&] {
                                                fs::rename(chosen, aside);
                                                WriteTextFile(chosen, "a newer picture");
                                            }));
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.message, "Не могу удалить файл!\n" + chosen);
    EXPECT_EQ(ReadFile(chosen), "a newer picture");
    ExpectNeighbourWhole();
    // The file the wipe began on was overwritten wherever it went; only the three names remain.
    EXPECT_NE(ReadFile(aside), "the picture to wipe");
    EXPECT_EQ(FilesLeft(), 3u);
}

}  // namespace
}  // namespace morvane
