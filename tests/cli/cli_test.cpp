// morvane-cli as a user and a script run it: a generated folder in; the exit status, the
// summary, the list, the log, the JSON document and the dry run of a clean-up out.
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
constexpr auto npos = std::string::npos;
// Standard output alone must be the document: the comment drops RunCli's merging of stderr.
constexpr auto kOutOnly = " 2>/dev/null #";

// The list to dir/l, the log to dir/g, then the folder to search.
std::string Outputs(const test::TempDir& dir, const std::string& root) {
    return " --list " + Quoted(dir / "l") + " --log " + Quoted(dir / "g") + " " + Quoted(root);
}

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

// Exact copies group across formats and folders; a grey page and a slightly brighter one
// differ in every cell, so only the similar mode groups them.
TEST(Cli, GroupsCopiesAcrossFormatsAndFoldersAndSimilarPagesOnlyWhenAsked) {
    test::TempDir dir;
    const std::string root = dir / "photos";
    fs::create_directories(root + "/old/deeper");
    for (const char* name : {"/a.png", "/old/a copy.bmp", "/old/deeper/a.png"})
        test::WritePatternPicture(root + name, 320, 240, 1);
    test::WritePatternPicture(root + "/b.png", 320, 240, 2);
    test::WriteTextFile(root + "/broken.jpg", "not a picture");
    test::WriteFlatPicture(root + "/c.png", 60, 40, 100, 100, 100);
    test::WriteFlatPicture(root + "/c brighter.png", 60, 40, 104, 104, 104);
    const auto run = [&](const std::string& mode) {
        const auto result = RunCli("--masks '*.png;*.bmp;*.jpg'" + mode + Outputs(dir, root));
        EXPECT_EQ(result.status, 0) << result.out;
        return result.out;
    };

    const std::string out = run("");
    for (const char* line : {"Файлов: 7", "Прочитано картинок: 6", "Групп: 1", "Дубликатов: 2"})
        EXPECT_NE(out.find(line), npos) << out;
    // Which copy heads the group, and the list's layout, are the engine's.
    const std::string listed = test::ReadFile(dir / "l");
    for (const char* name : {"/a.png\r\n", "/old/a copy.bmp\r\n", "/old/deeper/a.png\r\n"})
        EXPECT_NE(listed.find(root + name), npos) << listed;
    EXPECT_NE(test::ReadFile(dir / "g").find(root + "/old/a copy.bmp  /Size:"), npos);

    run(" --mode similar");
    const std::string similar = test::ReadFile(dir / "l");
    for (const char* name : {"/c.png\r\n", "/c brighter.png\r\n"})
        EXPECT_NE(similar.find(root + name), npos) << similar;
    EXPECT_EQ(similar.find(root + "/b.png"), npos) << similar;
}

// A clean-up needs both --keep and --dispose, each spelt right; a report that cannot be
// written is a failure.
TEST(Cli, ExitStatusOfUsageErrorsMissingFoldersAndUnwritableReports) {
    test::TempDir dir;
    const std::string folder = " " + Quoted(dir.path().string());
    EXPECT_EQ(RunCli(Quoted(dir / "nowhere")).status, 1);
    EXPECT_EQ(RunCli("--help").status, 0);
    EXPECT_EQ(RunCli("").status, 2);
    EXPECT_EQ(RunCli(folder + " --mode").status, 2);
    EXPECT_EQ(RunCli("--json" + Outputs(dir, dir.path().string()) + " >/dev/full").status, 1);
    for (const char* arguments :
         {"--bogus x", "--keep largest", "--dispose trash", "--keep biggest --dispose trash",
          "--keep largest --dispose bin", "--dry-run --json", "--mode fuzzy"})
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
    EXPECT_NE(result.out.find("255 255 255\n", result.out.size() - 20), npos);
    test::WriteTextFile(dir / "text.jpg", "hello");
    EXPECT_EQ(RunCli("--fingerprint " + Quoted(dir / "text.jpg")).status, 1);
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
        const std::string args =
            " --keep largest --dispose " + Quoted(dispose) + Outputs(dir, root);
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
        EXPECT_NE(test::ReadFile(dir / "l").find(root + "/sub\xff\\n/a.png\r\n"), npos);
        std::set<std::string> named;
        for (const QJsonValue removal : planned["removals"].toArray())
            named.insert(PathOf(removal.toObject()));
        // One line per file, even for a name with a line break, then the summary lines.
        std::istringstream lines(text.out);
        std::vector<std::string> listed;
        for (std::string line; std::getline(lines, line);)
            if (line.find(": ") == npos) listed.push_back(line);
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
        EXPECT_EQ(test::ReadFile(dir / "err").find("содержимое не затёрто") != npos, way == "wipe");
        EXPECT_EQ(test::ReadFile(dir / "linked.png"), before.at(root + "/a.png"));
        EXPECT_TRUE(way != "move:" ||
                    (fs::exists(dir / "moved/a.png") && fs::exists(dir / "moved/a (2).png")));
        EXPECT_EQ(ParsedJson(real)["summary"].toObject(), planned["summary"].toObject());
        const std::string freed = std::to_string(planned["summary"]["freed_bytes"].toInteger());
        EXPECT_NE(text.out.find("Будет освобождено байт: " + freed + "\n"), npos);
    }
}

}  // namespace
}  // namespace morvane
