// morvane-cli as a user runs it: a generated folder in, the list, the log and the summary out.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using Result = test::CliResult;
using test::RunCli;
constexpr auto Quoted = test::ShellQuoted;

TEST(Cli, GroupsCopiesAcrossFormatsAndFoldersAndListsThem) {
    test::TempDir dir;
    const std::string root = (dir.path() / "photos").string();
    std::filesystem::create_directories(root + "/old/deeper");
    test::WritePatternPicture(root + "/a.png", 320, 240, 1);
    test::WritePatternPicture(root + "/old/a copy.bmp", 320, 240, 1);
    test::WritePatternPicture(root + "/old/deeper/a.png", 320, 240, 1);
    test::WritePatternPicture(root + "/b.png", 320, 240, 2);
    test::WritePatternPicture(root + "/c.gif", 200, 200, 3);
    test::WriteTextFile(root + "/broken.jpg", "not a picture");

    const std::string list = dir / "list.txt", log = dir / "run.log";
    const Result result = RunCli("--masks '*.png;*.bmp;*.gif;*.jpg' --list " + Quoted(list) +
                                 " --log " + Quoted(log) + " " + Quoted(root));
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("Файлов: 6"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Прочитано картинок: 5"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Групп: 1"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Дубликатов: 2"), std::string::npos) << result.out;

    // The walk order decides which copy heads the group; all three are listed once.
    const std::string listed = test::ReadFile(list);
    ASSERT_EQ(listed.rfind("--------------------\r\n", 0), 0u) << listed;
    for (const char* name : {"/a.png\r\n", "/old/a copy.bmp\r\n", "/old/deeper/a.png\r\n"})
        EXPECT_NE(listed.find(root + name), std::string::npos) << name;
    EXPECT_EQ(listed.find("b.png"), std::string::npos);
    const std::string logged = test::ReadFile(log);
    EXPECT_NE(logged.find(root + "/old/a copy.bmp  /Size:"), std::string::npos) << logged;
    EXPECT_NE(logged.find("  /320x240x24  /P:100%\r\n"), std::string::npos) << logged;
}

TEST(Cli, ReportsAMissingFolderAndUsageErrors) {
    test::TempDir dir;
    EXPECT_EQ(RunCli(Quoted(dir / "nowhere")).status, 1);
    EXPECT_EQ(RunCli("").status, 2);
    EXPECT_EQ(RunCli("--bogus x").status, 2);
    EXPECT_EQ(RunCli("--help").status, 0);
}

TEST(Cli, PrintsOneFingerprintTopRowFirst) {
    test::TempDir dir;
    // Top half black, bottom half white.
    std::vector<std::uint8_t> pixels(64 * 64 * 3, 255);
    std::fill(pixels.begin(), pixels.begin() + pixels.size() / 2, 0);
    test::WritePicture(dir / "half.png", 64, 64, 3, pixels);
    const Result result = RunCli("--fingerprint " + Quoted(dir / "half.png"));
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.rfind("64 64 24\n0 0 0", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("255 255 255\n", result.out.size() - 20), std::string::npos);

    test::WriteTextFile(dir / "text.jpg", "hello");
    EXPECT_EQ(RunCli("--fingerprint " + Quoted(dir / "text.jpg")).status, 1);
}

TEST(Cli, NeverRemovesWithoutBothKeepAndDispose) {
    test::TempDir dir;
    EXPECT_EQ(RunCli("--keep largest " + Quoted(dir.path().string())).status, 2);
    EXPECT_EQ(RunCli("--dispose trash " + Quoted(dir.path().string())).status, 2);
    EXPECT_EQ(RunCli("--keep biggest --dispose trash " + Quoted(dir.path().string())).status, 2);
    EXPECT_EQ(RunCli("--keep largest --dispose bin " + Quoted(dir.path().string())).status, 2);
    EXPECT_EQ(RunCli("--dry-run --json " + Quoted(dir.path().string())).status, 2);
}

}  // namespace
}  // namespace morvane
