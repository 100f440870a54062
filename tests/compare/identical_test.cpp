// SPDX-License-Identifier: GPL-3.0-or-later
// The identical mode against a plain comparison of the files' contents.
#include "compare/identical_scanner.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace morvane {
namespace {

// Near misses (one byte changed, one byte more) stay apart, empty files never match, and a
// file rewritten after its stamp was taken leaves the comparison; the byte comparison alone
// keeps different files apart when every hash of one size collides.
TEST(IdenticalScanner, GroupsAsAPlainByteComparison) {
    const std::vector<std::string> contents = {"abcdef", "abcdeF", "abcdef", "abcdefg", "",   "",
                                               "abcdeF", "abcdef", "xyz",    "abcdef",  "xyz"};
    const std::size_t rewritten = 9;
    const auto collided = [](const std::string&, const FileStamp& stamp) {
        return std::optional(ContentHash{static_cast<std::uint64_t>(stamp.Size), 0});
    };
    for (const bool collide : {false, true}) {
        test::TempDir dir;
        CollectedRun run;
        run.SearchRoot = dir.path().string() + "/";
        for (std::size_t i = 0; i < contents.size(); ++i) {
            run.FileList.push_back(std::to_string(i));
            test::WriteTextFile(run.FullPath(i), contents[i]);
            run.PicTable.emplace_back().Stamp = StampOfPath(run.FullPath(i));
            run.PicTable.back().Valid = 1;
        }
        test::WriteTextFile(run.FullPath(rewritten), "abcdef!");
        std::vector<std::vector<int>> expected;
        std::vector<bool> taken(contents.size());
        for (std::size_t head = 0; head < contents.size(); ++head) {
            std::vector<int> group{static_cast<int>(head)};
            for (std::size_t later = head + 1; later < contents.size(); ++later)
                if (!taken[head] && head != rewritten && later != rewritten && !taken[later] &&
                    !contents[head].empty() && contents[later] == contents[head])
                    group.push_back(static_cast<int>(later)), taken[later] = true;
            if (group.size() > 1) expected.push_back(group);
        }
        IdenticalScanner scanner(run, 2,
                                 collide ? collided : IdenticalScanner::Hasher(HashFileContent));
        std::vector<std::vector<int>> groups;
        while (!scanner.Finished())
            if (auto step = scanner.NextStep(); step.Group) groups.push_back(step.Group->Members);
        EXPECT_EQ(groups, expected) << collide;
        EXPECT_EQ(scanner.DuplicateCount(), 4);
        EXPECT_EQ(run.PicTable[7].Similarity, 100);
        // Stamped just now: a grouped file's hash is kept for the check before a removal.
        EXPECT_EQ(run.PicTable[7].ContentCheck,
                  collide ? 6 : HashFileContent(run.FullPath(7), *run.PicTable[7].Stamp)->Low);
    }
}

}  // namespace
}  // namespace morvane
