// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli as a user and a script run it: a generated folder in; the exit status, the
// summary, the list, the log, the JSON document and the dry run of a clean-up out.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include "support/read_only_folder.h"
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

    run(" --mode=similar");
    const std::string similar = test::ReadFile(dir / "l");
    for (const char* name : {"/c.png\r\n", "/c brighter.png\r\n"})
        EXPECT_NE(similar.find(root + name), npos) << similar;
    EXPECT_EQ(similar.find(root + "/b.png"), npos) << similar;
}

// A clean-up needs both --keep and --dispose, each spelt right, and a threshold is a whole
// number; a folder that is not there, a file that is not a regular one and a report that
// cannot be written are failures.
TEST(Cli, ExitStatusOfUsageErrorsMissingFoldersAndUnwritableReports) {
    test::TempDir dir;
    const std::string folder = " " + Quoted(dir.path().string());
    test::WriteTextFile(dir / "text.jpg", "hello");
    ::mkfifo((dir / "fifo").c_str(), 0600);
    fs::create_symlink("/dev/zero", dir / "zero.png");
    const std::string picture = "--fingerprint " + Quoted(dir / "half.png");
    const struct {
        std::string arguments;
        int status;
        std::string says;
    } rows[] = {
        {Quoted(dir / "nowhere"), 1, "Папка не найдена"},
        {"--reference " + Quoted(dir / "gone") + " --reference" + folder + folder, 1,
         "Папка не найдена: " + dir / "gone"},
        {"''", 1, "Папка не найдена: \n"},
        {"--json ''", 1, "Папка не найдена: \n"},
        {"--help", 0, "--threshold"},
        {"--version", 0,
         "morvane-cli " + std::to_string(MORVANE_VERSION_MAJOR) + "." +
             std::to_string(MORVANE_VERSION_MINOR) + "." + std::to_string(MORVANE_VERSION_PATCH)},
        {"-- --json -platform x", 1, "Папка не найдена: --json\n"},
        {"-json" + folder, 2, "неизвестный параметр -json\n\nИспользование"},
        {"--bogus=1" + folder, 2, "неизвестный параметр --bogus=1\n"},
        {"--json=1" + folder, 2, "--json указывается без значения"},
        {"--undo=" + Quoted(dir / "j"), 1, "удалений!\n" + dir / "j"},
        {"", 2, "не указана папка"},
        {"--json" + Outputs(dir, dir.path().string()) + " 2>&1 >/dev/full #", 1,
         "не выведен полностью"},
        {picture + " 2>&1 >/dev/full #", 1, "не выведен полностью"},
        {picture + " 2>&1 >&- #", 1, "не выведен полностью"},
        {"--fingerprint " + Quoted(dir / "text.jpg"), 1, "text.jpg"},
        {"--fingerprint " + Quoted(dir / "fifo"), 1, "Не обычный файл"},
        {"--fingerprint " + Quoted(dir / "zero.png"), 1, "Не обычный файл"},
        {folder + " --mode", 2, "нет значения у --mode\n"},
        {"--threshold=7O" + folder, 2, ": 7O\n"},
        {"--all-formats --masks '*.png'" + folder, 2, "--all-formats"},
        {"--all-formats" + Outputs(dir, dir / "raw"), 0, "Файлов: 1\n"},
        {"--keep largest,biggest --dispose trash" + folder, 2, "правило --keep \"biggest\""},
        {"--keep largest --dispose move:" + folder, 2, "способ удаления move:\n"},
        {"--threshold 1" + Outputs(dir, dir / "raw"), 0, ""},
        {"--threshold 100" + Outputs(dir, dir / "raw"), 0, ""},
    };
    fs::create_directory(dir / "raw");
    test::WriteTextFile(dir / "raw/shot.NEF", "not a picture");
    std::vector<std::uint8_t> pixels(64 * 64 * 3, 255);  // top half black, bottom half white
    std::fill(pixels.begin(), pixels.begin() + pixels.size() / 2, 0);
    test::WritePicture(dir / "half.png", 64, 64, 3, pixels);
    for (const auto& row : rows) {
        const auto result = RunCli(row.arguments);
        EXPECT_EQ(result.status, row.status) << row.arguments << "\n" << result.out;
        EXPECT_NE(result.out.find(row.says), npos) << row.arguments << "\n" << result.out;
    }
    for (const char* arguments :
         {"--keep largest", "--dispose trash", "--keep biggest --dispose trash",
          "--keep largest --dispose bin", "--dry-run --json", "--json --csv", "--mode fuzzy",
          "--threshold 0", "--threshold 101", "--threshold ''", "--threshold -5", "--threshold 1e2",
          "--undo j", "--keep largest --dispose link"})
        EXPECT_EQ(RunCli(arguments + folder).status, 2) << arguments;

    // A fingerprint is printed top row first.
    const test::CliResult result = RunCli(picture);
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.rfind("64 64 24\n0 0 0", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("255 255 255\n", result.out.size() - 20), npos);
}

// Russian unless the locale names another language (C and POSIX name none): then the help,
// the usage errors and the report are English. LC_ALL goes before LANG, as everywhere.
TEST(Cli, SpeaksEnglishWhereTheLocaleNamesAnotherLanguage) {
    const test::TempDir dir;
    const struct {
        std::string environment, arguments, says;
    } rows[] = {
        {"LANG=en_US.UTF-8", "--help", "Usage:\n"},
        {"LANG=de_DE.UTF-8", "--help", "  --help              this help\n"},
        {"LANG=C", "--help", "Использование:\n"},
        {"LANG=C.UTF-8", "--help", "Использование:\n"},
        {"LANG=ru_RU.UTF-8", "--help", "Использование:\n"},
        {"LANG=en_US.UTF-8 LC_ALL=POSIX", "--help", "Использование:\n"},
        {"LANG=en_US.UTF-8", "", "morvane-cli: no folder given\n\nUsage:"},
        {"LANG=en_US.UTF-8", Outputs(dir, dir.path().string()), "Files: 0\nPictures read: 0\n"},
    };
    for (const auto& row : rows) {
        const auto result =
            RunCli(row.arguments, "LC_ALL= LANGUAGE= LC_MESSAGES= " + row.environment + " ");
        EXPECT_NE(result.out.find(row.says), npos) << row.environment << "\n" << result.out;
    }
}

// The JSON document gives every name exactly, UTF-8 or not; a dry run touches nothing and
// names exactly the files and bytes the real run then removes.
TEST(CliScript, JsonAndDryRunTellWhatTheRealRunRemoves) {
    for (const std::string way : {"move:", "wipe"}) {
        SCOPED_TRACE(way);
        test::TempDir dir;
        // "été" in Latin-1, then a byte order mark, which Qt drops when it decodes UTF-8.
        const std::string root = dir / "photos\xe9t\xe9\xef\xbb\xbf";
        fs::create_directories(root + "/sub\xff\n");
        for (const char* name : {"/big.bmp", "/a.png", "/sub\xff\n/a.png"})
            test::WritePatternPicture(root + name, 80, 60, 3);
        for (const char* name : {"/x.png", "/y.bmp"})
            test::WritePatternPicture(root + name, 80, 60, 4);
        fs::create_hard_link(root + "/a.png", dir / "linked.png");  // frees nothing when wiped
        const std::string dispose = way == "move:" ? way + (dir / "moved\xe9") : way;
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
        EXPECT_TRUE(way != "move:" || (fs::exists(dir / "moved\xe9/a.png") &&
                                       fs::exists(dir / "moved\xe9/a (2).png")));
        EXPECT_EQ(ParsedJson(real)["summary"].toObject(), planned["summary"].toObject());
        const std::string freed = std::to_string(planned["summary"]["freed_bytes"].toInteger());
        EXPECT_NE(text.out.find("Будет освобождено байт: " + freed + "\n"), npos);
    }
}

// The JSON document marks the copies holding their head's bytes; CSV quotes a name with a
// comma, a quote, a line break and bytes that are not UTF-8, byte for byte. The identical
// mode groups any files of the same bytes, touches no cache, and its clean-up reads the copies
// stamped just now again before they go.
TEST(CliScript, IdenticalMarkCsvAndTheIdenticalMode) {
    test::TempDir dir;
    const std::string root = dir / "photos", odd = root + "/b,\"q\n\xff.png";
    fs::create_directories(root);
    test::WritePatternPicture(root + "/a.png", 80, 60, 6);
    test::WritePatternPicture(root + "/c.bmp", 80, 60, 6);
    fs::copy_file(root + "/a.png", odd);
    for (const char* name : {"/d.png", "/e.png"}) test::WriteTextFile(root + name, "no picture");
    const std::string args = " --masks '*.png;*.bmp'" + Outputs(dir, root) + kOutOnly;
    const QJsonArray marked = ParsedJson(RunCli("--json" + args))["groups"][0].toArray();
    ASSERT_EQ(marked.size(), 3);
    for (const int i : {0, 1, 2}) EXPECT_EQ(marked[i]["identical"].toBool(), i < 2) << i;
    const std::string csv = RunCli("--csv" + args).out;
    EXPECT_TRUE(
        csv.starts_with("group,path,size,width,height,depth,similarity,identical,kept\r\n"));
    const std::string size = std::to_string(fs::file_size(odd));
    EXPECT_NE(csv.find("\r\n1,\"" + root + "/b,\"\"q\n\xff.png\"," + size +
                       ",80,60,24,100,true,false\r\n"),
              npos)
        << csv;

    const char* const cacheHome = std::getenv("XDG_CACHE_HOME");
    const std::string saved = cacheHome ? cacheHome : "";
    ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    const auto identical =
        ParsedJson(RunCli("--mode identical --keep smallest --dispose wipe --json" + args));
    cacheHome ? ::setenv("XDG_CACHE_HOME", saved.c_str(), 1) : ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(identical["groups"].toArray().size(), 2);
    EXPECT_EQ(identical["summary"]["removed"].toInt(), 2);
    EXPECT_FALSE(fs::exists(odd) || fs::exists(root + "/e.png") || fs::exists(dir / "cache"));
    EXPECT_TRUE(fs::exists(root + "/a.png") && fs::exists(root + "/d.png"));
}

// What a dry run foresees is what the real run then meets: the same messages, the same exit
// status, the same bytes freed and moved. The PNG copy is the one to go; "@" is its size.
// Set-up: L the copy is a link, R the photos on a read-only tmpfs, T another disk (a tmpfs)
// at disk, F a file named file, P the photos locked, M the folder m locked, I the copy immutable.
TEST(CliScript, DryRunMeetsWhatTheRealRunMeets) {
    const struct {
        std::string setUp, dispose;
        int status;
        std::vector<std::string> says;
    } rows[] = {
        {"", "move:m", 0, {"свобождено байт: 0\n", "еренесено байт: @\n"}},
        {"T", "move:disk/m", 0, {"свобождено байт: @\n", "еренесено байт: 0\n"}},
        {"L", "wipe", 0, {"свобождено байт: 0\n", "еренесено байт: @\n"}},
        {"LT", "move:disk", 1, {"На другой диск переносится только обычный файл."}},
        {"F", "move:file/m", 1, {"Не могу создать папку"}},
        {"", "move:photos", 1, {"Файл уже лежит в папке для перемещения.\n"}},
        {"M", "move:m", 1, {"Не могу переместить файл!\n"}},
        {"P", "trash", 1, {"Не могу переместить файл в корзину!\n"}},
        {"R", "move:m", 1, {"Не могу переместить файл!\n"}},
        {"R", "wipe", 1, {"он не тронут.\n"}},
        {"I", "wipe", 1, {"он не тронут.\n"}},
        {"I", "move:m", 1, {"Не могу переместить файл!\n"}},
        {"I", "trash", 1, {"Не могу переместить файл в корзину!\n"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.setUp + " " + row.dispose);
        test::TempDir dir;
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        const std::string root = dir / "photos";
        fs::create_directories(root);
        struct Unmount {
            std::string root, disk;
            ~Unmount() {
                std::ignore = ::umount2(root.c_str(), MNT_DETACH);
                std::ignore = ::umount2(disk.c_str(), MNT_DETACH);
                std::ignore = std::system(("chattr -i '" + root + "/a.png' 2>/dev/null").c_str());
            }
        } unmount{root, dir / "disk"};
        const auto has = [&](char c) { return row.setUp.find(c) != npos; };
        const auto mount = [&](const std::string& at, unsigned long flags) {
            fs::create_directories(at);
            return ::mount("none", at.c_str(), "tmpfs", flags, "size=8m") == 0;
        };
        bool usable = !(has('R') || has('T')) || mount(has('R') ? root : dir / "disk", 0);
        test::WritePatternPicture(root + "/big.bmp", 80, 60, 5);
        test::WritePatternPicture(dir / "a.png", 80, 60, 5);
        if (has('L')) fs::create_symlink(dir / "a.png", root + "/a.png");
        if (!has('L')) fs::copy_file(dir / "a.png", root + "/a.png");
        if (has('F')) test::WriteTextFile(dir / "file", "");
        if (usable && has('R')) usable = mount(root, MS_REMOUNT | MS_RDONLY);
        if (has('I'))
            usable = std::system(("chattr +i '" + root + "/a.png' 2>/dev/null").c_str()) == 0;
        std::optional<test::ReadOnlyFolder> locked;
        if (has('P') || has('M')) usable = locked.emplace(has('P') ? root : dir / "m").ReadOnly();
        if (!usable) {
            std::cout << "[  SKIPPED ] " << row.setUp << ": no mount, no locked folder\n";
            continue;
        }
        const std::string size = std::to_string(fs::file_size(dir / "a.png"));
        const bool move = row.dispose.starts_with("move:");
        const std::string dispose = move ? "move:" + (dir / row.dispose.substr(5)) : row.dispose;
        const std::string args =
            " --keep largest --dispose " + Quoted(dispose) + Outputs(dir, root);
        const auto before = Snapshot(root);
        for (const std::string dry : {"--dry-run", ""}) {
            const auto result = RunCli(dry + args);
            EXPECT_EQ(result.status, row.status) << dry << result.out;
            for (std::string line : row.says) {
                if (const auto at = line.find('@'); at != npos) line.replace(at, 1, size);
                EXPECT_NE(result.out.find(line), npos) << dry << " " << line << result.out;
            }
            EXPECT_EQ(Snapshot(root) == before, !dry.empty() || row.status != 0);
        }
    }
}

// A reference picture survives every keep rule and every way, dry or real, while every other
// member of its group goes; a group of reference pictures only is not reported.
TEST(CliScript, ReferencePicturesSurviveEveryRuleAndWay) {
    for (const std::string way : {"move:", "trash", "wipe"}) {
        test::TempDir dir;
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        for (const char* folder : {"ref", "photos", "more"}) fs::create_directories(dir / folder);
        const auto write = [&](const char* name, int pattern) {
            test::WritePatternPicture(dir / name, 80, 60, pattern);
        };
        for (const char* name : {"ref/r.png", "photos/a.png", "more/big.bmp"}) write(name, 6);
        for (const char* name : {"ref/s.png", "ref/s.bmp"}) write(name, 7);
        const auto references = Snapshot(dir / "ref");
        for (const char* rule : {"largest", "smallest", "most-pixels", "oldest", "newest",
                                 "in:photos", "shortest-path"}) {
            for (const std::string dry : {"--dry-run ", ""}) {
                SCOPED_TRACE(way + " " + rule + " " + dry);
                const std::string dispose = way == "move:" ? way + (dir / "moved") : way;
                const auto result = RunCli(
                    dry + "--reference " + Quoted(dir / "ref") + " --keep " + rule + " --dispose " +
                    Quoted(dispose) + Outputs(dir, dir / "photos") + " " + Quoted(dir / "more"));
                EXPECT_EQ(result.status, 0) << result.out;
                EXPECT_NE(result.out.find("Групп: 1\n"), npos) << result.out;
                EXPECT_NE(result.out.find("далено файлов: 2\n"), npos) << result.out;
                EXPECT_TRUE(Snapshot(dir / "ref") == references);
                EXPECT_EQ(fs::exists(dir / "photos/a.png"), !dry.empty());
            }
            write("photos/a.png", 6);
            write("more/big.bmp", 6);
        }
    }
}

}  // namespace
}  // namespace morvane
