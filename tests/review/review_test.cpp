// SPDX-License-Identifier: GPL-3.0-or-later
// The review of the groups a scan finds, and the list and log it writes: what is offered in
// which order, what goes, and that a file that cannot be written stops the run before any
// removal.
#include "review/review.h"

#include <gtest/gtest.h>

#include <vips/vips8>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "files/file_content.h"
#include "review/output_files.h"
#include "run/messages.h"
#include "run/program_folder.h"
#include "support/read_only_folder.h"
#include "support/review_front_end.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using enum ReviewDecision;

// A review script: files p.jpg, q.jpg... (camera raw p.nef... for the letters in `raw`) of the
// given sizes, those of one letter in `groups` with one fingerprint ("-": one of its own); the
// decisions taken in turn; then the pairs offered ("pq pr"), the files left ("-qr"), the files
// listed by group ("pq rs"), and what was removed.
struct Script {
    std::vector<std::int64_t> sizes = {};
    std::string groups = {};
    std::optional<bool> keepSmallest = {};
    std::vector<ReviewDecision> decisions = {};
    std::string offered = {}, left = {}, listed = {};
    std::int64_t removed = 0, bytes = 0;
    std::vector<std::string> events = {};  // what the front end was told, when not empty
    std::string grown = {}, gone = {};     // files rewritten larger or removed as a group starts
    std::string raw = {};
    std::string references = {};  // "r" for each file of a reference folder
};

// One review over a folder of its own.
struct Reviewed {
    Reviewed() {
        frontEnd.dispose = [](const std::string& path, auto&) { return fs::remove(path); };
    }
    ReviewState Start(const Script& s, const std::string& log = {}, const std::string& list = {}) {
        EXPECT_FALSE(review.Decide(DeleteLeft));  // no pair yet
        run.SearchRoot = dir.path().string() + "/";
        raw = s.raw;
        for (std::size_t i = 0; i < s.sizes.size(); ++i) {
            const std::string name = File(char('p' + i));
            test::WriteTextFile(dir / name, std::string(s.sizes[i], 'x'));
            run.FileList.push_back(name);
            // Valid, no similarity yet, the size, 640x480x24, the stamp, the fingerprint.
            const int cell = s.groups[i] == '-' ? int(i) : 200 - 50 * (s.groups[i] - 'a');
            run.PicTable.push_back({1, 0, s.sizes[i], 640, 480, 24, StampOfPath(dir / name),
                                    Fingerprint(LastCell + 1, cell)});
            if (!s.references.empty()) run.FolderOf.push_back(s.references[i] == 'r');
        }
        run.Folders = {{run.SearchRoot, false}, {run.SearchRoot, true}};
        test::WriteTextFile(dir / "Kestrum.log", "an earlier run");  // emptied: no group, no line
        EXPECT_FALSE(files.Open(log.empty() ? dir / "Kestrum.log" : log,
                                list.empty() ? dir / "list.txt" : list));
        if (s.keepSmallest)
            review.SetMode(*s.keepSmallest ? ReviewMode::KeepSmallest : ReviewMode::KeepLargest);
        return test::ScanAndResume(review, run.PicTable, 70);
    }
    // Takes the decisions, noting each pair offered; checks everything the script expects.
    void Play(const Script& s) {
        SCOPED_TRACE("offered " + s.offered + ", left " + s.left);
        frontEnd.onGroup = [&](int) {
            for (const char name : s.grown)
                test::WriteTextFile(dir / File(name), "more bytes than all");
            for (const char name : s.gone) fs::remove(dir / File(name));
        };
        ReviewState state = Start(s);
        std::string offered;
        for (const ReviewDecision decision : s.decisions) {
            ASSERT_EQ(state, ReviewState::AwaitingDecision);
            offered +=
                (offered.empty() ? "" : " ") + Name(review.LeftPath()) + Name(review.RightPath());
            if (!review.Decide(decision)) offered += "!";
            state = review.Resume();
        }
        EXPECT_EQ(state, ReviewState::Finished);
        files.Close();
        EXPECT_EQ(test::ReadFile(dir / "Kestrum.log").empty(), s.listed.empty());
        EXPECT_EQ(s.events.empty() ? s.events : frontEnd.events, s.events);
        EXPECT_EQ(offered, s.offered);
        EXPECT_EQ(Left(s.sizes.size()), s.left);
        EXPECT_EQ(test::ReadFile(dir / "list.txt"), Listed(s.listed));
        EXPECT_EQ(review.GroupCount(), std::ranges::count(s.listed, ' ') + !s.listed.empty());
        EXPECT_EQ(review.RemovedCount(), s.removed);
        EXPECT_EQ(review.RemovedBytes(), s.bytes);
        EXPECT_EQ(review.FailedRemovals(), 0);
    }
    std::string File(char name) const {
        return name + std::string(raw.find(name) == std::string::npos ? ".jpg" : ".nef");
    }
    // "q" for the path of q.jpg in the folder, "?" for any other path.
    std::string Name(const std::string& path) const {
        const std::string name = fs::path(path).stem().string();
        return path == run.SearchRoot + File(name[0]) ? name : "?";
    }
    // Which of p.jpg, q.jpg... are still there, as "pq-s".
    std::string Left(std::size_t count) const {
        std::string left;
        for (std::size_t i = 0; i < count; ++i)
            left += fs::exists(dir / File(char('p' + i))) ? char('p' + i) : '-';
        return left;
    }
    std::string Listed(const std::string& names) const {
        std::string list = names.empty() ? "" : "--------------------\r\n";
        for (const char name : names)
            list += name == ' ' ? "--------------------\r\n" : run.SearchRoot + File(name) + "\r\n";
        return list;
    }

    test::TempDir dir;
    std::string raw;
    CollectedRun run;
    OutputFiles files;
    test::RecordingFrontEnd frontEnd;
    Review review{run, files, frontEnd, frontEnd};
};

// Skip keeps the left picture; a deleted left one is refilled; either delete ends a pair of
// the last file; skip-all lists the rest of the group unshown; keep-the-largest keeps the first
// of equal sizes; keep-the-smallest works from the first group on, unasked and showing nothing.
// clang-format off
const Script kScripts[] = {
    {{10, 20, 30}, "aaa", {}, {SkipPair, DeleteLeft}, "pq pr", "-qr", "pqr", 1, 10,
     {"dup 2", "left p.jpg|   10|640x480x24", "right q.jpg|   20|640x480x24",
      "right r.jpg|   30|640x480x24", "remove p.jpg", "clear", "done 1", "done 3"}},
    {{10, 20, 30}, "aaa", {}, {DeleteLeft, DeleteRight}, "pq rq", "--r", "pqr", 2, 30},
    {{10, 20, 30, 40}, "aabb", {}, {SkipPair, DeleteRight}, "pq rs", "pqr-", "pq rs", 1, 40},
    {{10, 20, 30, 40}, "a-aa", {}, {SkipAll}, "pr", "pqrs", "prs"},
    {{10000, 30000, 30000, 20000}, "aaaa", {}, {DeleteAllSmaller}, "pq", "-q--", "pqrs", 3, 60000},
    {{10000, 30000, 30000, 20000}, "aaaa", true, {}, "", "p---", "pqrs", 3, 80000,
     {"dup 3", "remove q.jpg", "remove r.jpg", "remove s.jpg", "clear", "done 1", "done 4"}},
    {{10, 20}, "--", {}, {}, "", "pq", "", 0, 0, {"done 2"}},
    // Kept by the sizes compared; nothing of a group goes once its kept file changed or went.
    {{10, 15, 12}, "aaa", false, {}, "", "-q-", "pqr", 2, 31, {}, "p"},
    {{10, 15, 12}, "aaa", false, {}, "", "pqr", "pqr", 0, 0,
     {"dup 2", "kept changed q.jpg", "clear", "done 1", "done 3"}, "q"},
    {{10, 15, 12}, "aaa", false, {}, "", "p-r", "pqr", 0, 0, {}, "", "q"},
    // A file gone before the decision is no removal and no failure; the next is offered.
    {{10, 15, 12}, "aaa", {}, {DeleteLeft, SkipPair}, "pq rq", "-qr", "pqr", 0, 0, {}, "", "p"},
    // A camera raw file goes only by a removal under its own picture, never as a spare copy.
    {{10, 30, 20}, "aaa", true, {}, "", "pq-", "pqr", 1, 20, {}, "", "", "q"},
    {{30, 10, 20}, "aaa", false, {}, "", "p-r", "pqr", 1, 10, {}, "", "", "p"},
    {{10, 20}, "aa", {}, {DeleteLeft}, "pq", "-q", "pq", 1, 10, {}, "", "", "p"},
    // Reference pictures stay, whatever the decision or the keep rule; a group of reference
    // pictures only is no group.
    {{10, 20, 30}, "aaa", {}, {DeleteLeft, DeleteRight, SkipPair}, "pq! pq pr", "p-r", "pqr", 1,
     20, {}, "", "", "", "r--"},
    {{10, 20, 30}, "aaa", false, {}, "", "p--", "pqr", 2, 50, {}, "", "", "", "r--"},
    {{10, 20, 30}, "aaa", true, {}, "", "pq-", "pqr", 1, 30, {}, "", "", "", "rr-"},
    {{10, 20, 30, 40}, "aabb", false, {}, "", "pq-s", "rs", 1, 30,
     {"done 1", "dup 1", "remove r.jpg", "clear", "done 3", "done 4"}, "", "", "", "rr--"},
};
// clang-format on

TEST(Review, OffersAndRemovesInTurn) {
    for (const Script& s : kScripts) Reviewed().Play(s);
}

// The first rule that tells the files apart decides, the next breaks its ties, then the walk
// order; "in:" goes by whole path components; a reference picture is kept whatever the rules.
TEST(KeepRules, EachRuleBreaksTheTiesOfTheOneBefore) {
    CollectedRun run{"/p/", {"a/1.jpg", "bb/2.jpg", "a/333.jpg", "c/4.jpg"}, {}};
    // Size, width (one pixel high), modification time; no files, so no EXIF date to read.
    const std::tuple<std::int64_t, int, std::int64_t> records[] = {
        {30, 100, 3}, {30, 200, 1}, {10, 200, 1}, {20, 50, 2}};
    for (const auto& [size, width, modified] : records)
        run.PicTable.push_back(
            {.PicWidth = width,
             .PicHeight = 1,
             .Stamp = FileStamp{.File = {}, .Size = size, .ModifiedNs = modified},
             .Fingerprint = {}});
    const std::pair<const char*, int> cases[] = {{"largest", 0},
                                                 {"smallest", 2},
                                                 {"most-pixels", 1},
                                                 {"most-pixels,smallest", 2},
                                                 {"oldest", 1},
                                                 {"oldest,smallest", 2},
                                                 {"newest", 0},
                                                 {"in:/p/c", 3},
                                                 {"in:/p/a/,most-pixels", 2},
                                                 {"in:/p/b,smallest", 2},
                                                 {"shortest-path", 0},
                                                 {"shortest-path,smallest", 3}};
    for (const auto& [rules, kept] : cases) {
        const auto parsed = ParseKeepRules(rules);
        ASSERT_TRUE(parsed) << rules;
        EXPECT_EQ(KeptMember({0, 1, 2, 3}, run, *parsed), kept) << rules;
        EXPECT_EQ(KeepRulesText(*parsed), rules);
    }
    run.Folders = {{"/p/", false}, {"/p/", true}};
    run.FolderOf = {0, 0, 0, 1};
    EXPECT_EQ(KeptMember({0, 1, 2, 3}, run, {{KeepRuleKind::Largest}}), 3);
    std::string unknown;
    for (const char* bad : {"largest,biggest", "in:", ""})
        EXPECT_FALSE(ParseKeepRules(bad, &unknown)) << bad;

    // The date the photo was taken comes before the file's modification time.
    test::TempDir dir;
    CollectedRun photos{dir.path().string() + "/", {"new.jpg", "taken.jpg"}, {}};
    for (const std::string& name : photos.FileList) {
        vips::VImage image = vips::VImage::black(8, 8).copy();
        if (name == "taken.jpg") image.set("exif-ifd2-DateTimeOriginal", "2001:02:03 04:05:06");
        image.jpegsave((dir / name).c_str());
        photos.PicTable.push_back({.Stamp = StampOfPath(dir / name), .Fingerprint = {}});
    }
    EXPECT_EQ(KeptMember({0, 1}, photos, *ParseKeepRules("oldest")), 1);
}

// Also a Stop while a removal tells the user something (the window's box lets the click in)
// ends the keep-one pass: nothing more of the group goes.
TEST(Review, StopDuringAWaitOrARemovalWritesAndRemovesNothingMore) {
    Reviewed r;
    ASSERT_EQ(r.Start({.sizes = {10, 20, 30}, .groups = "aaa"}), ReviewState::AwaitingDecision);
    r.review.Stop();
    EXPECT_EQ(r.review.Resume(), ReviewState::Stopped);
    EXPECT_FALSE(r.review.Decide(DeleteLeft));
    EXPECT_EQ(test::ReadFile(r.dir / "list.txt"), r.Listed("pq"));
    EXPECT_EQ(r.frontEnd.events.back(), "clear");
    Reviewed stopped;
    stopped.frontEnd.dispose = [&](const std::string& path, auto&) {
        stopped.review.Stop();
        return fs::remove(path);
    };
    EXPECT_EQ(stopped.Start({.sizes = {10, 15, 12}, .groups = "aaa", .keepSmallest = false}),
              ReviewState::Stopped);
    EXPECT_EQ(stopped.Left(3), "-qr");
}

// A stamp taken within a clock tick of the file's last change proves nothing alone: the picture
// is read again, and one that no longer shows the cells compared (or, when only bytes were
// compared, holds other bytes: a rewrite of the same size in that tick) stays.
TEST(ReviewDisposal, AFileStampedWithinAClockTickIsReadAgainBeforeItGoes) {
    for (const std::uint64_t rewritten : {0, 1, 2, 3}) {
        Reviewed r;
        r.run.BytesChecked = rewritten > 1;
        r.frontEnd.dispose = [](const std::string& path, const std::optional<FileStamp>& stamp) {
            return stamp == StampOfPath(path) && fs::remove(path);
        };
        ASSERT_EQ(r.Start({.sizes = {10, 20}, .groups = "aa"}), ReviewState::AwaitingDecision);
        test::WritePatternPicture(r.dir / "q.jpg", 40, 30, 3);
        Dubl& q = r.run.PicTable[1];
        q.Stamp = StampOfPath(r.dir / "q.jpg");
        q.ContentCheck =
            (r.run.BytesChecked ? HashFileContent(r.dir / "q.jpg", *q.Stamp)->Low
                                : CellsDigest(MakeFingerprint(r.dir / "q.jpg")->Cells)) +
            rewritten % 2;
        ASSERT_TRUE(r.review.Decide(DeleteRight));
        EXPECT_EQ(fs::exists(r.dir / "q.jpg"), rewritten % 2 == 1);
    }
}

// Beyond ten digits the extra digits stand whole at the left.
TEST(OutputLines, Sizes) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {1234567, " 1 234 567"}, {500, "   500"}, {0, "   "}, {12345678901, "12 345 678 901"}};
    for (const auto& [size, text] : cases) EXPECT_EQ(FormatSize(size), text);
}

// An installed copy's "bin" is the package manager's, even for root: the files go elsewhere.
TEST(ProgramFolder, InstalledCopyIsABinWithItsDocumentationBeside) {
    const test::TempDir dir;
    for (const char* folder : {"usr/bin", "usr/share/doc/morvane", "build/share/doc/morvane"})
        fs::create_directories(dir.path() / folder);
    EXPECT_TRUE(InstalledProgram(dir / "usr/bin/"));
    EXPECT_FALSE(InstalledProgram(dir / "build/") || InstalledProgram(dir / "opt/bin/"));
}

// A path that cannot be opened, a list that is the log's own file, or a path that is one of
// the searched pictures is refused before anything is emptied; a file made only for the
// attempt goes again.
TEST(OutputFiles, RefusesWhatCannotBeOpenedTheLogsFileAndCollectedPictures) {
    test::TempDir dir;
    fs::create_directories(dir / "lib");
    test::WriteTextFile(dir / "run.log", "old log");
    test::WriteTextFile(dir / "lib/pic.jpg", "picture");
    fs::create_symlink(dir / "run.log", dir / "link.log");
    fs::create_hard_link(dir / "lib/pic.jpg", dir / "second name.jpg");
    const CollectedRun run{
        dir / "lib/", {"pic.jpg"}, {Dubl{.FileSize = 7, .Stamp = {}, .Fingerprint = {}}}};
    // The log, the list, and the path refused.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {dir / "missing/run.log", dir / "new.txt", dir / "missing/run.log"},
        {dir / "new.log", "", ""},
        {dir / "run.log", dir / "link.log", dir / "link.log"},
        {dir / "new.log", dir / "./new.log", dir / "./new.log"},  // neither there yet
        {dir / "new.log", dir / "lib/pic.jpg", dir / "lib/pic.jpg"},
        {dir / "second name.jpg", dir / "new.txt", dir / "second name.jpg"},
    };
    for (const auto& [log, list, refused] : cases)
        EXPECT_EQ(OutputFiles().Open(log, list, run), refused) << log << " / " << list;
    EXPECT_EQ(test::ReadFile(dir / "run.log") + test::ReadFile(dir / "lib/pic.jpg"),
              "old logpicture");
    EXPECT_FALSE(fs::exists(dir / "new.log") || fs::exists(dir / "new.txt"));
    EXPECT_EQ(OutputFiles().Open("/dev/null", "/dev/null", run), std::nullopt);
}

// A full disk (the list's or the log's) stops the run before any removal; a list removed
// while written stops it at the next group, the group before written whole and its smaller
// copy gone.
TEST(OutputFaults, AFullDiskOrARemovedListStopsTheRunBeforeTheNextRemoval) {
    for (const int fault : {0, 1, 2}) {
        SCOPED_TRACE(fault);
        Reviewed r;
        const std::string log = fault == 1 ? "/dev/full" : r.dir / "run.log";
        const std::string list = fault == 0 ? "/dev/full" : r.dir / "list.txt";
        r.frontEnd.onGroup = [&](int group) {
            if (fault == 2 && group == 2) fs::remove(list);
        };
        const Script twoGroups{.sizes = {10, 20, 30, 40}, .groups = "aabb", .keepSmallest = false};
        EXPECT_EQ(r.Start(twoGroups, log, list), ReviewState::WriteFailed);
        EXPECT_EQ(r.review.FailedPath(), fault == 2 ? list : "/dev/full");
        EXPECT_EQ(r.Left(4), fault == 2 ? "-qrs" : "pqrs");
    }
}

// Each removal the run's disposer refuses is counted and told.
TEST(ReviewDisposal, KeepOneWithAnUnusableMoveFolderCountsEachFailure) {
    Reviewed r;
    const test::ReadOnlyFolder locked(r.dir / "moved");
    if (!locked.ReadOnly()) GTEST_SKIP() << "no way to make a read-only folder here";
    r.frontEnd.way = DisposalWay::MoveToFolder;
    Disposer disposer(r.dir / "moved", false, r.frontEnd);
    r.frontEnd.dispose = [&](const std::string& path, const std::optional<FileStamp>& compared) {
        return disposer.Dispose(path, compared, {});
    };
    const Script keepOne{.sizes = {100, 100, 100}, .groups = "aaa", .keepSmallest = false};
    ASSERT_EQ(r.Start(keepOne), ReviewState::Finished);
    EXPECT_EQ(
        std::tuple(r.review.RemovedCount(), r.review.FailedRemovals(), r.frontEnd.told.size()),
        std::tuple(0, 2, 2u));
    EXPECT_EQ(r.Left(3), "pqr");
}

// The command line exits with the path named and moves nothing: a list refused before
// anything is written (one of the searched pictures), and one that takes no line.
TEST(OutputFaults, CliExitsWithTheMessageAndMovesNothing) {
    test::TempDir dir;
    const std::string png = dir / "lib/a.png", bmp = dir / "lib/a.bmp";  // the BMP the larger
    fs::create_directories(dir / "lib");
    for (const std::string& file : {png, bmp}) test::WritePatternPicture(file, 96, 64, 1);
    for (const std::string& list : {png, std::string("/dev/full")}) {
        const test::CliResult result =
            test::RunCli("--masks '*.png;*.bmp' --keep largest --dispose " +
                         test::ShellQuoted("move:" + dir / "moved") + " --log " +
                         test::ShellQuoted(dir / "run.log") + " --list " + test::ShellQuoted(list) +
                         " " + test::ShellQuoted(dir / "lib"));
        EXPECT_EQ(result.status, 1) << result.out;
        const std::string message =
            list == png ? CreateFailedMessage(list) : WriteFailedMessage(list);
        EXPECT_NE(result.out.find(message), std::string::npos) << result.out;
        EXPECT_TRUE(fs::file_size(png) > 0 && fs::exists(bmp) && !fs::exists(dir / "moved"));
    }
}

}  // namespace
}  // namespace morvane
