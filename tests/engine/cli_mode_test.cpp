// The comparison mode on the command line: a picture, its brightened copy and its mirror.
#include <gtest/gtest.h>

#include <cmath>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

using test::RunCli;
constexpr auto Quoted = test::ShellQuoted;

// A smooth scene with a bright patch left of the middle; `gain` brightens it, `mirrored`
// flips it left to right.
void WriteScene(const std::string& file, double gain, bool mirrored) {
    const int width = 200, height = 150;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int column = 0; column < width; ++column) {
            const int x = mirrored ? width - 1 - column : column;
            const double patch = std::hypot(x - 50.0, y - 60.0) < 30 ? 120 : 0;
            const double base[3] = {60 + 0.5 * y + patch, 40 + 0.6 * x, 150 - 0.4 * x + 0.3 * y};
            for (const double value : base)
                pixels.push_back(static_cast<std::uint8_t>(std::min(255.0, value * gain)));
        }
    test::WritePicture(file, width, height, 3, pixels);
}

TEST(CliMode, SimilarFindsTheBrightenedCopyButNotTheMirror) {
    test::TempDir dir;
    const std::string root = dir / "photos";
    std::filesystem::create_directories(root);
    WriteScene(root + "/a.png", 1.0, false);
    WriteScene(root + "/a brighter.png", 1.02, false);
    WriteScene(root + "/a mirrored.png", 1.0, true);
    const std::string list = dir / "list.txt";
    const auto listed = [&](const std::string& mode) {
        const test::CliResult result = RunCli(mode + " --list " + Quoted(list) + " --log " +
                                              Quoted(dir / "log.txt") + " " + Quoted(root));
        EXPECT_EQ(result.status, 0) << result.out;
        return test::ReadFile(list);
    };
    EXPECT_EQ(listed(""), "");  // exact by default: the copy differs in most cells
    const std::string similar = listed("--mode similar");
    EXPECT_NE(similar.find(root + "/a.png\r\n"), std::string::npos) << similar;
    EXPECT_NE(similar.find(root + "/a brighter.png\r\n"), std::string::npos) << similar;
    EXPECT_EQ(similar.find("mirrored"), std::string::npos) << similar;
    EXPECT_EQ(listed("--mode exact --threshold 100"), "");

    EXPECT_EQ(RunCli("--mode fuzzy " + Quoted(root)).status, 2);
    EXPECT_EQ(RunCli(Quoted(root) + " --mode").status, 2);
    EXPECT_NE(RunCli("--help").out.find("--mode similar"), std::string::npos);
}

}  // namespace
}  // namespace morvane
