// A hostile picture library, made here, run through the engine: the run finishes, groups what
// is readable, lists paths that open again, and never offers one file as its own duplicate.
// (morvane-cli lists through the same engine; its clean-up of odd names is a script test.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "compare/grouping.h"
#include "review/output_files.h"
#include "review/review.h"
#include "run/collection.h"
#include "support/huge_png.h"
#include "support/review_front_end.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

const std::string kMasks = "*.jpg;*.png;*.gif;*.bmp";
const std::string kNewlineName = "line\nbreak.png";
const std::set<std::string> kDamaged = {"truncated.jpg", "zero.jpg",    "text.png",
                                        "huge.png",      "corrupt.gif", "sub/vanishing.png"};

// The library under `root`. Every readable copy of pattern 1 is a duplicate of the others;
// pattern 2 stands alone.
struct HostileLibrary {
    explicit HostileLibrary(const std::string& root) : root(root) {
        fs::create_directories(root + "/sub/deeper");
        fs::create_directory(root + "/x.jpg");  // a folder with a picture's name
        fs::create_directory(root + "/locked");
        // Copies of one picture; sub/vanishing.png goes missing between the walk and its
        // fingerprint, truncated.jpg is cut short below.
        for (const std::string& name : std::vector<std::string>{
                 "a.png", "with blanks  .png", "Кириллица.bmp", "bad\xff\xfe name.png",
                 kNewlineName, "sub/deeper/copy.bmp", "sub/vanishing.png", "x.jpg/inside.png",
                 "locked/hidden.png", "truncated.jpg"})
            test::WritePatternPicture(root + "/" + name, 160, 120, 1);
        test::WritePatternPicture(root + "/sub/alone.png", 160, 120, 2);

        test::WriteTextFile(root + "/truncated.jpg",
                            test::ReadFile(root + "/truncated.jpg").substr(0, 300));
        test::WriteTextFile(root + "/zero.jpg", "");
        test::WriteTextFile(root + "/text.png", "this is not a picture\n");
        test::WriteHugeDeclaredPng(root + "/huge.png");
        test::WritePatternPicture(root + "/corrupt.gif", 160, 120, 3);
        std::string gif = test::ReadFile(root + "/corrupt.gif");
        for (std::size_t i = 30; i < gif.size(); i += 7) gif[i] = static_cast<char>(0xA5);
        test::WriteTextFile(root + "/corrupt.gif", gif);

        fs::create_directory_symlink("..", root + "/sub/loop");
        fs::create_directory_symlink(root + "/sub/deeper", root + "/link one");
        fs::create_directory_symlink("sub/deeper", root + "/link two");
        fs::create_hard_link(root + "/a.png", root + "/sub/hard link.png");
        fs::create_symlink(root + "/a.png", root + "/sub/soft link.png");
        fs::create_symlink(root + "/gone.png", root + "/dangling.png");
        fs::permissions(root + "/locked", fs::perms::none);
    }

    std::string root;
};

// The lines of an output file (CR LF endings), without the group separators.
std::vector<std::string> EntryLines(const std::string& file) {
    std::vector<std::string> lines;
    const std::string text = test::ReadFile(file);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        if (line != kSeparatorLine) lines.push_back(line);
    }
    EXPECT_EQ(start, text.size()) << "the file ends inside a line";
    return lines;
}

// Checks the list: every line is one file, listed once; each names an existing file as it
// stands except the name with a line break, which is written escaped.
void ExpectSoundList(const std::string& listFile, const std::string& root) {
    const std::vector<std::string> lines = EntryLines(listFile);
    std::set<fs::path> seen;
    bool newlineSeen = false;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(line.find('\r'), std::string::npos);
        if (line == root + "/line\\nbreak.png") {
            newlineSeen = true;
            continue;
        }
        ASSERT_TRUE(fs::is_regular_file(line)) << line;
        EXPECT_TRUE(seen.insert(fs::canonical(line)).second) << "listed twice: " << line;
    }
    EXPECT_TRUE(newlineSeen);
    // The links to a.png and the folder links add nothing; the locked folder is read only
    // where rights do not apply.
    // a.png, blanks, Cyrillic, bad bytes, newline, copy.bmp and x.jpg/inside.png.
    EXPECT_EQ(lines.size(), 7u + (::geteuid() == 0 ? 1u : 0u)) << listFile;
    for (const char* name : {"/a.png", "/with blanks  .png", "/Кириллица.bmp",
                             "/bad\xff\xfe name.png", "/x.jpg/inside.png"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), root + name), lines.end()) << name;
}

TEST(HostileLibrary, EngineRunGroupsTheReadableAndListsEachFileOnce) {
    test::TempDir dir;
    const HostileLibrary library(dir / "lib");
    const std::atomic<bool> running{true};
    CollectedRun run;
    CollectProgress progress;
    // One file goes missing after the walk listed it and before its fingerprint is made.
    progress.Walked = [&](int) { fs::remove(library.root + "/sub/vanishing.png"); };
    ASSERT_EQ(CollectPictures(library.root, kMasks, running, progress, run), CollectOutcome::Done);
    ASSERT_NE(std::find(run.FileList.begin(), run.FileList.end(), "sub/vanishing.png"),
              run.FileList.end());
    EXPECT_FALSE(fs::exists(library.root + "/sub/vanishing.png"));

    std::set<fs::path> files;
    for (int i = 0; i <= run.LastFile(); ++i) {
        const std::string& name = run.FileList[i];
        EXPECT_EQ(name.find("loop"), std::string::npos) << name;
        EXPECT_TRUE(!fs::exists(run.FullPath(i)) ||
                    files.insert(fs::canonical(run.FullPath(i))).second)
            << "twice: " << name;
        EXPECT_EQ(run.PicTable[i].Valid == 1, !kDamaged.contains(name)) << name;
    }

    OutputFiles output;
    ASSERT_FALSE(output.Open(dir / "run.log", dir / "list.txt"));
    test::RecordingFrontEnd frontEnd;
    Review review(run, output, frontEnd);
    ReviewState state = test::ScanAndResume(review, run.PicTable, 90);
    for (; state == ReviewState::AwaitingDecision; state = review.Resume()) {
        EXPECT_NE(fs::canonical(review.LeftPath()), fs::canonical(review.RightPath()));
        review.Decide(ReviewDecision::SkipPair);
    }
    ASSERT_EQ(state, ReviewState::Finished);
    output.Close();
    EXPECT_EQ(review.GroupCount(), 1);
    EXPECT_TRUE(frontEnd.disposed.empty());
    ExpectSoundList(dir / "list.txt", library.root);
    EXPECT_EQ(EntryLines(dir / "run.log").size(), EntryLines(dir / "list.txt").size());
}

}  // namespace
}  // namespace morvane
