#include "review/output_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "run/program_folder.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

// Beyond ten digits the extra digits stand whole at the left.
TEST(FormatSize, FillsThePatternFromTheRight) {
    // clang-format off
    const std::pair<std::int64_t, const char*> cases[] = {
        {1234567, " 1 234 567"}, {987654, "  987 654"}, {12345, "  12 345"}, {500, "   500"},
        {0, "   "}, {2147483647, "2 147 483 647"}, {12345678901, "12 345 678 901"},
        {5368709120, "5 368 709 120"}};
    // clang-format on
    for (const auto& [size, text] : cases) EXPECT_EQ(FormatSize(size), text);
}

// An installed copy's "bin" is the package manager's, even for root: the files go elsewhere.
TEST(ProgramFolder, InstalledCopyIsABinWithItsDocumentationBeside) {
    test::TempDir dir;
    for (const char* folder : {"usr/bin", "usr/share/doc/morvane", "build/share/doc/morvane"})
        std::filesystem::create_directories(dir.path() / folder);
    EXPECT_TRUE(InstalledProgram(dir / "usr/bin/"));
    EXPECT_FALSE(InstalledProgram(dir / "build/"));
    EXPECT_FALSE(InstalledProgram(dir / "opt/bin/"));
}

TEST(OutputLines, LogLineLayout) {
    const Dubl record{.Similarity = 97,
                      .FileSize = 987654,
                      .PicWidth = 1600,
                      .PicHeight = 1200,
                      .BitDepth = 24,
                      .Fingerprint = {}};
    EXPECT_EQ(LogLine("/photos/old/a copy.jpg", record),
              "/photos/old/a copy.jpg  /Size:  987 654  /1600x1200x24  /P:97%");
}

TEST(OutputFiles, CreatedEmptyAndWrittenWithCrLf) {
    test::TempDir dir;
    test::WriteTextFile(dir / "Kestrum.log", "old content");
    OutputFiles files;
    ASSERT_FALSE(files.Open(dir / "Kestrum.log", dir / "list.txt"));
    EXPECT_EQ(test::ReadFile(dir / "Kestrum.log"), "");
    EXPECT_TRUE(files.List.WriteLine(kSeparatorLine));
    EXPECT_TRUE(files.List.WriteLine("/a/ж.jpg"));
    files.Close();
    EXPECT_EQ(test::ReadFile(dir / "list.txt"), "--------------------\r\n/a/ж.jpg\r\n");
}

// A path that cannot be opened, a list that is the log's own file, or a path that is one of
// the searched pictures is refused before anything is emptied; a file made only for the
// attempt goes again.
TEST(OutputFiles, RefusesWhatCannotBeOpenedTheLogsFileAndCollectedPictures) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    fs::create_directories(dir / "lib");
    test::WriteTextFile(dir / "run.log", "old log");
    test::WriteTextFile(dir / "lib/pic.jpg", "picture");
    fs::create_symlink(dir / "run.log", dir / "link.log");
    fs::create_hard_link(dir / "lib/pic.jpg", dir / "second name.jpg");
    CollectedRun run;
    run.SearchRoot = dir / "lib/";
    run.FileList = {"pic.jpg"};
    run.PicTable.resize(1);
    run.PicTable[0].FileSize = 7;
    const struct {
        std::string log, list, refused;
    } cases[] = {
        {dir / "missing/run.log", dir / "new.txt", dir / "missing/run.log"},
        {dir / "new.log", "", ""},
        {dir / "run.log", dir / "run.log", dir / "run.log"},
        {dir / "run.log", dir / "link.log", dir / "link.log"},
        {dir / "run.log", dir / "lib/../run.log", dir / "lib/../run.log"},
        {dir / "new.log", dir / "./new.log", dir / "./new.log"},  // neither there yet
        {dir / "new.log", dir / "lib/pic.jpg", dir / "lib/pic.jpg"},
        {dir / "second name.jpg", dir / "new.txt", dir / "second name.jpg"},
    };
    for (const auto& c : cases) {
        OutputFiles files;
        EXPECT_EQ(files.Open(c.log, c.list, run), c.refused) << c.log << " / " << c.list;
    }
    EXPECT_EQ(test::ReadFile(dir / "run.log"), "old log");
    EXPECT_EQ(test::ReadFile(dir / "lib/pic.jpg"), "picture");
    EXPECT_FALSE(fs::exists(dir / "new.log") || fs::exists(dir / "new.txt"));
    OutputFiles devices;
    EXPECT_EQ(devices.Open("/dev/null", "/dev/null", run), std::nullopt);
}

}  // namespace
}  // namespace morvane
