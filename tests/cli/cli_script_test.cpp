// morvane-cli in scripts: the JSON document and the dry run of a clean-up.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::RunCli;
constexpr auto Quoted = test::ShellQuoted;
// Standard output alone must be the document: the comment drops RunCli's merging of stderr.
constexpr auto kOutOnly = " 2>/dev/null #";

QJsonObject ParsedJson(const test::CliResult& result) {
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(result.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out;
    return document.object();
}

// The exact name: from "path_bytes" when the name is not UTF-8.
std::string PathOf(const QJsonObject& object) {
    if (!object.contains("path_bytes")) return object["path"].toString().toStdString();
    std::string bytes;
    for (const QJsonValue byte : object["path_bytes"].toArray())
        bytes += static_cast<char>(byte.toInt());
    return bytes;
}

// Every file under the folder with its content.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files[entry.path().string()] = test::ReadFile(entry.path());
    return files;
}

// The JSON document gives every name exactly, UTF-8 or not; a dry run touches nothing and
// names exactly the files and bytes the real run then removes.
TEST(CliScript, JsonAndDryRunTellWhatTheRealRunRemoves) {
    for (const std::string way : {"move:", "wipe"}) {
        SCOPED_TRACE(way);
        test::TempDir dir;
        const std::string root = dir / "photos";
        fs::create_directories(root + "/sub\xff\n");
        for (const char* name : {"/big.bmp", "/a.png", "/sub\xff\n/a.png"})
            test::WritePatternPicture(root + name, 80, 60, 3);
        for (const char* name : {"/x.png", "/y.bmp"})
            test::WritePatternPicture(root + name, 80, 60, 4);
        fs::create_hard_link(root + "/a.png", dir / "linked.png");  // frees nothing when wiped
        const std::string dispose = way == "move:" ? way + (dir / "moved") : way;
        const std::string args = " --keep largest --dispose " + Quoted(dispose) + " --list " +
                                 Quoted(dir / "l") + " --log " + Quoted(dir / "g") + " " +
                                 Quoted(root);
        const auto before = Snapshot(root);

        const auto text = RunCli("--dry-run" + args + kOutOnly);
        const auto dry = RunCli("--dry-run --json" + args + kOutOnly);
        ASSERT_EQ(dry.status, 0) << dry.out;
        EXPECT_TRUE(Snapshot(root) == before);  // names and contents, quietly
        const QJsonObject planned = ParsedJson(dry);
        std::set<std::string> grouped;  // every file, by its exact name, with its size
        for (const QJsonValue group : planned["groups"].toArray())
            for (const QJsonValue member : group.toArray()) {
                const std::string path = PathOf(member.toObject());
                grouped.insert(path);
                EXPECT_EQ(member["size"].toInteger(), fs::file_size(path));
            }
        EXPECT_EQ(grouped.size(), before.size());
        // The list is written as without --json.
        EXPECT_NE(test::ReadFile(dir / "l").find(root + "/sub\xff\\n/a.png\r\n"),
                  std::string::npos);
        std::set<std::string> named;
        for (const QJsonValue removal : planned["removals"].toArray())
            named.insert(PathOf(removal.toObject()));
        // One line per file, even for a name with a line break, then the summary lines.
        std::istringstream lines(text.out);
        std::vector<std::string> listed;
        for (std::string line; std::getline(lines, line);)
            if (line.find(": ") == std::string::npos) listed.push_back(line);
        EXPECT_EQ(listed.size(), 3u) << text.out;
        for (const std::string& line : listed) EXPECT_TRUE(line.ends_with("\t" + dispose)) << line;

        const auto real = RunCli("--json" + args + " 2>" + Quoted(dir / "err") + " #");
        ASSERT_EQ(real.status, 0) << real.out;
        std::set<std::string> gone;
        for (const auto& [path, content] : before)
            if (!fs::exists(path)) gone.insert(path);
        EXPECT_TRUE(named == gone);
        EXPECT_EQ(gone.size(), 3u);  // the smaller copies of both groups
        EXPECT_TRUE(fs::exists(root + "/big.bmp") && fs::exists(root + "/y.bmp"));
        // The wiped name's content stays with its other name; moved names never collide.
        EXPECT_EQ(planned["summary"]["not_wiped"].toInt(), way == "wipe" ? 1 : 0);
        EXPECT_EQ(test::ReadFile(dir / "err").find("содержимое не затёрто") != std::string::npos,
                  way == "wipe");
        EXPECT_EQ(test::ReadFile(dir / "linked.png"), before.at(root + "/a.png"));
        EXPECT_TRUE(way != "move:" ||
                    (fs::exists(dir / "moved/a.png") && fs::exists(dir / "moved/a (2).png")));
        EXPECT_EQ(ParsedJson(real)["summary"].toObject(), planned["summary"].toObject());
        const std::string freed = std::to_string(planned["summary"]["freed_bytes"].toInteger());
        EXPECT_NE(text.out.find("Будет освобождено байт: " + freed + "\n"), std::string::npos);
    }
}

TEST(CliScript, AReportThatCannotBeWrittenIsAFailure) {
    test::TempDir dir;
    const std::string files = " --list " + Quoted(dir / "l") + " --log " + Quoted(dir / "g") + " ";
    EXPECT_EQ(RunCli("--json" + files + Quoted(dir.path().string()) + " >/dev/full").status, 1);
}

}  // namespace
}  // namespace morvane
