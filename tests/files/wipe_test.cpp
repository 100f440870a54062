#include "files/wipe.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteTextFile;

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

TEST_P(WipeSizes, EveryPassOverwritesExactlyTheReadOnlyFile) {
    const auto size = static_cast<std::size_t>(GetParam());
    const TempDir dir;
    const std::string path = dir / "pic.jpg";
    WriteTextFile(path, std::string(size, 'p'));
    ::chmod(path.c_str(), 0444);  // a read-only file is made writable and wiped
    std::vector<Block> blocks;
    std::mt19937 random = TimeSeededGenerator();
    EXPECT_EQ(WipeFile(path, random,
                       [&](int pass, std::int64_t offset, std::span<const std::uint8_t> bytes) {
                           blocks.push_back({pass, offset, {bytes.begin(), bytes.end()}});
                       }),
              WipeStatus::Overwritten);
    EXPECT_EQ(ReadFile(path), std::string(size, '\0'));
    // Made writable for real: rights alone would not stop the superuser.
    EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
    ExpectPasses(blocks, GetParam());
    ::chmod(path.c_str(), 0444);
    const WipeResult removed = WipeAndRemove(path);
    EXPECT_TRUE(removed.removed && removed.message.empty()) << removed.message;
    EXPECT_TRUE(fs::is_empty(dir.path()));  // no random-named leftover either
}

INSTANTIATE_TEST_SUITE_P(Wipe, WipeSizes, ::testing::Values(100, 0, 5 * kMiB / 2, kMiB));

// A running program cannot be opened for writing, not even by root (ETXTBSY).
TEST(WipeAndRemove, FileThatCannotBeOpenedIsReportedThenStillRemoved) {
    const TempDir dir;
    std::string path = dir / "busy", seconds = "60";
    fs::copy_file("/bin/sleep", path);
    char* argv[] = {path.data(), seconds.data(), nullptr};
    pid_t child = 0;
    // posix_spawn returns once the program runs (or has failed to start).
    ASSERT_EQ(::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ), 0);
    const WipeResult result = WipeAndRemove(path);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(result.message, "Не могу открыть файл!\n" + path);
    EXPECT_TRUE(result.removed);  // the rename and the removal were still tried
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(WipeAndRemove, LinksAndSharedContentAreRemovedWithoutTouchingTheOtherName) {
    const TempDir dir;
    WriteTextFile(dir / "kept.jpg", "kept copy");
    fs::create_hard_link(dir / "kept.jpg", dir / "hard.jpg");
    fs::create_symlink(dir / "kept.jpg", dir / "soft.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);  // must not hang the wipe
    for (const std::string name : {"hard.jpg", "soft.jpg", "pipe"}) {
        const WipeResult result = WipeAndRemove(dir / name);
        EXPECT_TRUE(result.removed) << name;
        // Only the other name's content is worth telling about: the user asked for it to go.
        const bool shared = name == "hard.jpg";
        EXPECT_EQ(result.contentKept, shared) << name;
        const std::string told =
            "У файла есть другие имена: удалено только это имя, "
            "содержимое не затёрто.\n" +
            dir / name;
        EXPECT_EQ(result.message, shared ? told : "") << name;
    }
    EXPECT_EQ(ReadFile(dir / "kept.jpg"), "kept copy");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
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

// Runs `action` once, as pass `pass` finishes its first block.
WipeObserver AtPass(int pass, std::function<void()> action) {
    return [pass, action = std::move(action), done = false](int current, std::int64_t,
                                                            std::span<const std::uint8_t>) mutable {
        if (current != pass || done) return;
        done = true;
        action();
    };
}

// A wipe cut short or overtaken between its passes: the file chosen may be left half
// overwritten, but no other file is touched and the failure is reported, never a success.
class WipeInterrupted : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteTextFile(chosen, "the picture to wipe");
        WriteTextFile(neighbour, "a picture kept");
    }
    // Every name in the folder, and the neighbour untouched.
    void ExpectFilesLeft(std::ptrdiff_t count) const {
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  count);
        EXPECT_EQ(ReadFile(neighbour), "a picture kept");
    }

    const TempDir dir;
    const std::string chosen = dir / "chosen.jpg";
    const std::string neighbour = dir / "neighbour.jpg";
    const std::string failed = "Не могу удалить файл!\n" + chosen;
};

TEST_F(WipeInterrupted, AnObserverThatThrowsLeavesTheFileUnderItsNameAndOthersWhole) {
    const WipeObserver stop = AtPass(2, [] { throw std::runtime_error("stopped"); });
    EXPECT_THROW(WipeAndRemove(chosen, stop), std::runtime_error);
    // Not renamed away under a random name.
    EXPECT_EQ(fs::file_size(chosen), std::string("the picture to wipe").size());
    ExpectFilesLeft(2);
    // Nothing stays open or locked: a second attempt finishes the job.
    const WipeResult again = WipeAndRemove(chosen);
    EXPECT_TRUE(again.removed && again.message.empty()) << again.message;
    ExpectFilesLeft(1);
}

TEST_F(WipeInterrupted, AFileRemovedBetweenPassesIsReportedAndNothingElseGoes) {
    const WipeResult result = WipeAndRemove(chosen, AtPass(1, [&] { fs::remove(chosen); }));
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.message, failed);
    ExpectFilesLeft(1);
}

TEST_F(WipeInterrupted, AFilePutInItsPlaceBetweenPassesStaysUnderItsName) {
    const std::string aside = dir / "aside.jpg";
    const WipeResult result = WipeAndRemove(chosen, AtPass(1, [&] {
                                                fs::rename(chosen, aside);
                                                WriteTextFile(chosen, "a newer picture");
                                            }));
    EXPECT_FALSE(result.removed);
    EXPECT_EQ(result.message, failed);
    EXPECT_EQ(ReadFile(chosen), "a newer picture");
    // The file the wipe began on was overwritten wherever it went; only the three names remain.
    EXPECT_NE(ReadFile(aside), "the picture to wipe");
    ExpectFilesLeft(3);
}

}  // namespace
}  // namespace morvane
