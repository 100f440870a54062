// The comparison mode on the command line; what "similar" matches is proven on the engine.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::RunCli;
constexpr auto Quoted = test::ShellQuoted;

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
