// morvane-cli in scripts: the JSON document and the dry run of a clean-up.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <map>
#include <set>

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

TEST(CliScript, JsonListsGroupsAndKeepsANameThatIsNotUtf8) {
    test::TempDir dir;
    const std::string root = dir / "photos", odd = root + "/c\xff\xfe" + "\xd0.png";
    fs::create_directories(root);
    test::WritePatternPicture(root + "/a.png", 64, 48, 1);
    fs::copy_file(root + "/a.png", odd);
    test::WritePatternPicture(root + "/b.png", 64, 48, 2);
    const auto result = RunCli("--json --list " + Quoted(dir / "l") + " --log " +
                               Quoted(dir / "g") + " " + Quoted(root) + kOutOnly);
    ASSERT_EQ(result.status, 0) << result.out;
    const QJsonObject json = ParsedJson(result);
    const QJsonArray groups = json["groups"].toArray();
    ASSERT_EQ(groups.size(), 1);
    std::set<std::string> paths;
    for (const QJsonValue member : groups[0].toArray()) {
        const std::string path = PathOf(member.toObject());
        paths.insert(path);
        EXPECT_EQ(member["size"].toInteger(), fs::file_size(path));
        EXPECT_EQ(member["width"].toInt() * 1000 + member["similarity"].toInt(), 64100);
    }
    EXPECT_EQ(paths, (std::set<std::string>{root + "/a.png", odd}));
    EXPECT_EQ(json["summary"].toObject(),
              (QJsonObject{{"files", 3}, {"readable", 3}, {"groups", 1}, {"duplicates", 1}}));
    // The list and the log are written as without --json.
    EXPECT_NE(test::ReadFile(dir / "l").find(odd + "\r\n"), std::string::npos);
}

// A dry run touches nothing and names exactly the files and bytes the real run then removes.
TEST(CliScript, DryRunReportsWhatTheRealRunRemoves) {
    for (const std::string way : {"move:", "wipe"}) {
        SCOPED_TRACE(way);
        test::TempDir dir;
        const std::string root = dir / "photos";
        fs::create_directories(root + "/sub");
        test::WritePatternPicture(root + "/big.bmp", 80, 60, 3);
        test::WritePatternPicture(root + "/a.png", 80, 60, 3);
        test::WritePatternPicture(root + "/sub/a\xff.png", 80, 60, 3);
        test::WritePatternPicture(root + "/x.png", 80, 60, 4);
        test::WritePatternPicture(root + "/y.bmp", 80, 60, 4);
        fs::create_hard_link(root + "/a.png", dir / "linked.png");  // frees nothing when wiped
        const std::string args = " --keep largest --dispose " +
                                 Quoted(way == "move:" ? way + (dir / "moved") : way) + " --list " +
                                 Quoted(dir / "l") + " --log " + Quoted(dir / "g") + " " +
                                 Quoted(root) + kOutOnly;
        const auto before = Snapshot(root);

        const auto text = RunCli("--dry-run" + args);
        const auto dry = RunCli("--dry-run --json" + args);
        ASSERT_EQ(dry.status, 0) << dry.out;
        EXPECT_TRUE(Snapshot(root) == before);  // names and contents, quietly
        const QJsonObject planned = ParsedJson(dry);
        std::set<std::string> named;
        for (const QJsonValue removal : planned["removals"].toArray()) {
            named.insert(PathOf(removal.toObject()));
            EXPECT_NE(text.out.find(PathOf(removal.toObject()) + "\t"), std::string::npos);
        }

        const auto real = RunCli("--json" + args);
        ASSERT_EQ(real.status, 0) << real.out;
        std::set<std::string> gone;
        for (const auto& [path, content] : before)
            if (!fs::exists(path)) gone.insert(path);
        EXPECT_EQ(named, gone);
        EXPECT_EQ(gone.size(), 3u);  // the smaller copies of both groups
        EXPECT_EQ(ParsedJson(real)["summary"].toObject(), planned["summary"].toObject());
        const auto freed = planned["summary"]["freed_bytes"].toInteger();
        EXPECT_NE(text.out.find("Будет освобождено байт: " + std::to_string(freed) + "\n"),
                  std::string::npos)
            << text.out;
    }
}

}  // namespace
}  // namespace morvane
