#include "files/wipe.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <set>
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

struct Recorder {
    std::vector<Block> blocks;
    WipeObserver Observer() {
        return [this](int pass, std::int64_t offset, std::span<const std::uint8_t> bytes) {
            blocks.push_back({pass, offset, {bytes.begin(), bytes.end()}});
        };
    }
};

bool AllEqual(const std::vector<std::uint8_t>& bytes, std::uint8_t value) {
    return std::all_of(bytes.begin(), bytes.end(), [&](std::uint8_t b) { return b == value; });
}

std::int64_t SizeOf(const std::string& path) {
    return static_cast<std::int64_t>(fs::file_size(path));
}

// Checks the blocks of three passes over a file of `size` bytes cut into `block`-sized pieces.
void ExpectPasses(const std::vector<Block>& blocks, std::int64_t size, std::int64_t block) {
    const std::int64_t perPass = (size + block - 1) / block;
    ASSERT_EQ(static_cast<std::int64_t>(blocks.size()), 3 * perPass);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        const std::int64_t index = static_cast<std::int64_t>(i) % perPass;
        EXPECT_EQ(b.pass, static_cast<int>(i / perPass) + 1);
        EXPECT_EQ(b.offset, index * block);
        EXPECT_EQ(static_cast<std::int64_t>(b.bytes.size()), std::min(block, size - b.offset));
        if (b.pass > 1) {
            EXPECT_TRUE(AllEqual(b.bytes, b.pass == 2 ? 0xAA : 0x00)) << "block " << i;
        }
    }
    // The random pass: never a 0, drawn once and carried by every block of the pass.
    const std::vector<std::uint8_t>& first = blocks[0].bytes;
    EXPECT_TRUE(std::none_of(first.begin(), first.end(), [](std::uint8_t b) { return b == 0; }));
    if (first.size() >= 1000) {
        EXPECT_GT(std::set(first.begin(), first.end()).size(), 200u);
    }
    for (std::int64_t i = 1; i < perPass; ++i) {
        const auto& later = blocks[static_cast<std::size_t>(i)].bytes;
        EXPECT_TRUE(std::equal(later.begin(), later.end(), first.begin()));
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

TEST_P(WipeSizes, EveryPassOverwritesExactlyTheFile) {
    const std::int64_t size = GetParam();
    const TempDir dir;
    const std::string path = dir / "pic.jpg";
    WriteTextFile(path, std::string(static_cast<std::size_t>(size), 'p'));
    Recorder recorder;
    std::mt19937 random = TimeSeededGenerator();
    EXPECT_EQ(WipeFile(path, random, recorder.Observer()), WipeStatus::Overwritten);
    EXPECT_EQ(SizeOf(path), size);
    EXPECT_EQ(ReadFile(path), std::string(static_cast<std::size_t>(size), '\0'));
    if (size == 0)
        EXPECT_TRUE(recorder.blocks.empty());
    else
        ExpectPasses(recorder.blocks, size, std::min(size, kMiB));

    const WipeResult removed = WipeAndRemove(path);
    EXPECT_TRUE(removed.removed);
    EXPECT_TRUE(removed.message.empty()) << removed.message;
    EXPECT_TRUE(fs::is_empty(dir.path()));  // no random-named leftover either
}

INSTANTIATE_TEST_SUITE_P(Wipe, WipeSizes, ::testing::Values(100, 0, 5 * kMiB / 2, kMiB));

TEST(WipeFile, ReadOnlyFileIsMadeWritableAndWiped) {
    const TempDir dir;
    const std::string path = dir / "pic.jpg";
    WriteTextFile(path, "read only");
    ::chmod(path.c_str(), 0444);
    std::mt19937 random = TimeSeededGenerator();
    EXPECT_EQ(WipeFile(path, random), WipeStatus::Overwritten);
    EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(ReadFile(path), std::string(9, '\0'));
    ::chmod(path.c_str(), 0444);
    EXPECT_TRUE(WipeAndRemove(path).removed);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// A running program cannot be opened for writing, not even by root (ETXTBSY).
TEST(WipeAndRemove, FileThatCannotBeOpenedIsReportedThenStillRemoved) {
    const TempDir dir;
    const std::string path = dir / "busy";
    fs::copy_file("/bin/sleep", path);
    ::chmod(path.c_str(), 0755);
    pid_t child = 0;
    std::string program = path;
    std::string seconds = "60";
    char* argv[] = {program.data(), seconds.data(), nullptr};
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
    for (const char* name : {"hard.jpg", "soft.jpg", "pipe"}) {
        const WipeResult result = WipeAndRemove(dir / name);
        EXPECT_TRUE(result.removed) << name;
        // Only the other name's content is worth telling about: the user asked for it to go.
        const bool shared = name == std::string("hard.jpg");
        EXPECT_EQ(result.contentKept, shared) << name;
        EXPECT_EQ(result.message,
                  shared ? "У файла есть другие имена: удалено только это имя, содержимое не "
                           "затёрто.\n" +
                               dir / name
                         : "")
            << name;
    }
    EXPECT_EQ(ReadFile(dir / "kept.jpg"), "kept copy");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(RandomFileName, ThirtyNineCapitalsWithADotAt33) {
    std::mt19937 random = TimeSeededGenerator();
    const std::string name = RandomFileName(random);
    ASSERT_EQ(name.size(), 39u);
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i == 32)
            EXPECT_EQ(name[i], '.');
        else
            EXPECT_TRUE(name[i] >= 'A' && name[i] <= 'Z') << name;
    }
    EXPECT_NE(RandomFileName(random), name);
}

TEST(RenameToRandom, StaysInItsFolderAndNeverOverwrites) {
    const TempDir dir;
    const std::string path = dir / "pic.jpg";
    WriteTextFile(path, "mine");
    std::mt19937 random = TimeSeededGenerator();
    std::mt19937 replay = random;
    const std::string taken = dir / RandomFileName(replay);  // the first name it will draw
    WriteTextFile(taken, "someone else's");
    const std::string renamed = RenameToRandom(path, random);
    EXPECT_NE(renamed, taken);
    EXPECT_EQ(fs::path(renamed).parent_path(), dir.path());
    EXPECT_EQ(fs::path(renamed).filename().string().size(), 39u);
    EXPECT_EQ(ReadFile(renamed), "mine");
    EXPECT_EQ(ReadFile(taken), "someone else's");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(RenameToRandom(dir / "missing.jpg", random), dir / "missing.jpg");
}

}  // namespace
}  // namespace morvane
