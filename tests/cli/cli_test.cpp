// morvane-cli as a user runs it: a generated folder in, the list, the log and the summary out.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::RunCli;
constexpr auto Quoted = test::ShellQuoted;

TEST(Cli, GroupsCopiesAcrossFormatsAndFoldersAndListsThem) {
    test::TempDir dir;
    const std::string root = dir / "photos";
    std::filesystem::create_directories(root + "/old/deeper");
    for (const char* name : {"/a.png", "/old/a copy.bmp", "/old/deeper/a.png"})
        test::WritePatternPicture(root + name, 320, 240, 1);
    test::WritePatternPicture(root + "/b.png", 320, 240, 2);
    test::WriteTextFile(root + "/broken.jpg", "not a picture");

    const std::string list = dir / "list.txt", log = dir / "run.log";
    const test::CliResult result = RunCli("--masks '*.png;*.bmp;*.jpg' --list " + Quoted(list) +
                                          " --log " + Quoted(log) + " " + Quoted(root));
    ASSERT_EQ(result.status, 0) << result.out;
    for (const char* line : {"Файлов: 5", "Прочитано картинок: 4", "Групп: 1", "Дубликатов: 2"})
        EXPECT_NE(result.out.find(line), std::string::npos) << result.out;
    // Which copy heads the group, and the list's layout, are the engine's.
    const std::string listed = test::ReadFile(list);
    for (const char* name : {"/a.png\r\n", "/old/a copy.bmp\r\n", "/old/deeper/a.png\r\n"})
        EXPECT_NE(listed.find(root + name), std::string::npos) << listed;
    EXPECT_NE(test::ReadFile(log).find(root + "/old/a copy.bmp  /Size:"), std::string::npos);
}

// A clean-up needs both --keep and --dispose, each spelt right.
TEST(Cli, UsageErrorsAndAMissingFolderRemoveNothing) {
    test::TempDir dir;
    const std::string folder = " " + Quoted(dir.path().string());
    EXPECT_EQ(RunCli(Quoted(dir / "nowhere")).status, 1);
    EXPECT_EQ(RunCli("--help").status, 0);
    EXPECT_EQ(RunCli("").status, 2);
    for (const char* arguments :
         {"--bogus x", "--keep largest", "--dispose trash", "--keep biggest --dispose trash",
          "--keep largest --dispose bin", "--dry-run --json"})
        EXPECT_EQ(RunCli(arguments + folder).status, 2) << arguments;
}

TEST(Cli, PrintsOneFingerprintTopRowFirst) {
    test::TempDir dir;
    std::vector<std::uint8_t> pixels(64 * 64 * 3, 255);  // top half black, bottom half white
    std::fill(pixels.begin(), pixels.begin() + pixels.size() / 2, 0);
    test::WritePicture(dir / "half.png", 64, 64, 3, pixels);
    const test::CliResult result = RunCli("--fingerprint " + Quoted(dir / "half.png"));
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.rfind("64 64 24\n0 0 0", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("255 255 255\n", result.out.size() - 20), std::string::npos);
    test::WriteTextFile(dir / "text.jpg", "hello");
    EXPECT_EQ(RunCli("--fingerprint " + Quoted(dir / "text.jpg")).status, 1);
}

// A grey page and a slightly brighter one differ in every cell but look alike.
TEST(CliMode, SimilarFindsTheBrightenedCopyWhereExactDoesNot) {
    test::TempDir dir;
    const std::string root = dir / "photos";
    std::filesystem::create_directories(root);
    test::WriteFlatPicture(root + "/a.png", 60, 40, 100, 100, 100);
    test::WriteFlatPicture(root + "/a brighter.png", 60, 40, 104, 104, 104);
    test::WritePatternPicture(root + "/other.png", 60, 40, 5);
    const auto listed = [&](const std::string& mode) {
        const test::CliResult result =
            RunCli(mode + " --list " + Quoted(dir / "list.txt") + " --log " +
                   Quoted(dir / "log.txt") + " " + Quoted(root));
        EXPECT_EQ(result.status, 0) << result.out;
        return test::ReadFile(dir / "list.txt");
    };
    EXPECT_EQ(listed(""), "");  // exact by default
    const std::string similar = listed("--mode similar");
    for (const char* name : {"/a.png\r\n", "/a brighter.png\r\n"})
        EXPECT_NE(similar.find(root + name), std::string::npos) << similar;
    EXPECT_EQ(similar.find("other"), std::string::npos) << similar;
    EXPECT_EQ(RunCli("--mode fuzzy " + Quoted(root)).status, 2);
    EXPECT_EQ(RunCli(Quoted(root) + " --mode").status, 2);
}

}  // namespace
}  // namespace morvane
