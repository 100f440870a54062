// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/undo.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "files/journal.h"
#include "files/journal_lines.h"
#include "files/move.h"
#include "files/no_replace.h"

namespace morvane {

namespace {

namespace fs = std::filesystem;

// A file the journal says went: its first line, and its outcome when one was written.
struct Gone {
    std::string From;
    std::string To;
    std::string Way;
    std::int64_t Size = 0;
    std::int64_t Time = 0;
    std::optional<bool> Removed;
};

std::vector<Gone> ReadJournal(const std::string& journal, bool& readable) {
    std::vector<Gone> gone;
    std::ifstream in(journal, std::ios::binary);
    readable = in.is_open();
    std::map<std::string, std::size_t> open;  // the entry of a path still awaiting its outcome
    for (std::string text; std::getline(in, text);) {
        const QJsonObject line = QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
        if (line.isEmpty()) continue;  // a line cut short by a killed run
        const std::string from = GetPath(line, "from");
        if (!line.contains("removed")) {
            open[from] = gone.size();
            gone.push_back({from, GetPath(line, "to"), line["way"].toString().toStdString(),
                            line["size"].toInteger(), line["time"].toInteger(), std::nullopt});
        } else if (const auto entry = open.find(from); entry != open.end()) {
            gone[entry->second].Removed = line["removed"].toBool();
            if (line.contains("to")) gone[entry->second].To = GetPath(line, "to");
            open.erase(entry);
        }
    }
    return gone;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

UndoEntry Put(const std::string& from, UndoProblem problem, int error = 0) {
    return {from, problem, error};
}

// Onto another file system, through a folder of its own beside the moved file: the file takes
// its old name there, and the move into its old folder copies it under that name.
UndoEntry CopyBack(const std::string& from, const std::string& to) {
    std::string stage = FolderHolding(to) + ".morvane-undo-XXXXXX";
    if (!::mkdtemp(stage.data())) return Put(from, UndoProblem::Failed, errno);
    const std::string staged = stage + "/" + fs::path(from).filename().string();
    UndoEntry entry = Put(from, UndoProblem::Failed, RenameNoReplace(to, staged));
    if (entry.Error == 0) {
        const auto stamp = StampOfPath(staged);
        const DisposalResult moved = stamp ? MoveIntoFolder(staged, FolderHolding(from), *stamp)
                                           : DisposalFailed(DisposalProblem::Changed);
        entry = moved.removed ? Put(from, UndoProblem::None)
                              : Put(from, UndoProblem::Failed, moved.error);
        if (!moved.removed) RenameNoReplace(staged, to);
    }
    ::rmdir(stage.c_str());
    return entry;
}

UndoEntry MoveBack(const std::string& from, const std::string& to, std::int64_t size) {
    struct stat info {};
    if (to.empty() || ::lstat(to.c_str(), &info) != 0 || info.st_size != size)
        return Put(from, UndoProblem::Missing);
    if (Exists(from)) return Put(from, UndoProblem::Occupied);
    CreateFolderPath(FolderHolding(from));
    const int error = RenameNoReplace(to, from);
    if (error == EXDEV) return CopyBack(from, to);
    if (error == EEXIST) return Put(from, UndoProblem::Occupied);
    return Put(from, error == 0 ? UndoProblem::None : UndoProblem::Failed, error);
}

// The trash folders a file of `from` may be in: the home trash, and those at the top of the
// disk it lay on.
std::vector<std::pair<std::string, std::string>> TrashFolders(const std::string& from) {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::vector<std::pair<std::string, std::string>> folders{
        {data && data[0] == '/' ? std::string(data) + "/Trash"
                                : std::string(home ? home : "") + "/.local/share/Trash",
         ""}};
    fs::path top = fs::path(from).parent_path();
    struct stat info {
    }, above{};
    while (!top.empty() && ::stat(top.c_str(), &info) != 0) top = top.parent_path();
    while (top.has_relative_path() && ::stat(top.parent_path().c_str(), &above) == 0 &&
           above.st_dev == info.st_dev)
        top = top.parent_path();
    const std::string uid = std::to_string(::getuid());
    for (const std::string& name : {".Trash/" + uid, ".Trash-" + uid})
        folders.emplace_back((top / name).string(), top.string());
    return folders;
}

// GIO's trash writes one information file per entry: the original path percent-encoded
// (relative to the disk's top in a disk's own trash) and the deletion time in local time.
struct TrashEntry {
    std::string Stored;
    std::string Info;
    std::int64_t Deleted = 0;
};

std::optional<TrashEntry> ReadInfo(const fs::path& info, const std::string& top) {
    std::ifstream in(info, std::ios::binary);
    std::string path;
    std::int64_t deleted = -1;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("Path=")) {
            char* raw = g_uri_unescape_string(line.c_str() + 5, nullptr);
            if (raw) path = raw;
            g_free(raw);
        } else if (line.starts_with("DeletionDate=")) {
            GTimeZone* zone = g_time_zone_new_local();
            GDateTime* time = g_date_time_new_from_iso8601(line.c_str() + 13, zone);
            if (time) deleted = g_date_time_to_unix(time), g_date_time_unref(time);
            g_time_zone_unref(zone);
        }
    }
    if (path.empty() || deleted < 0) return std::nullopt;
    if (path.front() != '/') path = top + "/" + path;
    return TrashEntry{path, info.string(), deleted};
}

// The entry trashed first at or after the journal's line, of the same path and size.
std::optional<TrashEntry> FindInTrash(const Gone& gone) {
    std::optional<TrashEntry> found;
    for (const auto& [trash, top] : TrashFolders(gone.From)) {
        std::error_code error;
        for (const auto& info : fs::directory_iterator(trash + "/info", error)) {
            if (info.path().extension() != ".trashinfo") continue;
            auto entry = ReadInfo(info.path(), top);
            struct stat stored {};
            const std::string file = trash + "/files/" + info.path().stem().string();
            if (!entry || entry->Stored != gone.From || entry->Deleted < gone.Time ||
                ::lstat(file.c_str(), &stored) != 0 || stored.st_size != gone.Size ||
                (found && found->Deleted <= entry->Deleted))
                continue;
            entry->Stored = file;
            found = entry;
        }
    }
    return found;
}

UndoEntry TrashBack(const Gone& gone) {
    const auto entry = FindInTrash(gone);
    if (!entry) return Put(gone.From, UndoProblem::Missing);
    if (Exists(gone.From)) return Put(gone.From, UndoProblem::Occupied);
    CreateFolderPath(FolderHolding(gone.From));
    const int error = RenameNoReplace(entry->Stored, gone.From);
    if (error == EEXIST) return Put(gone.From, UndoProblem::Occupied);
    const UndoEntry back =
        error == EXDEV
            ? CopyBack(gone.From, entry->Stored)
            : Put(gone.From, error == 0 ? UndoProblem::None : UndoProblem::Failed, error);
    if (back.Problem == UndoProblem::None) ::unlink(entry->Info.c_str());
    return back;
}

UndoEntry Back(const Gone& gone) {
    if (gone.Way == "wipe") return Put(gone.From, UndoProblem::Wiped);
    if (gone.Way == "hardlink" || gone.Way == "symlink") return Put(gone.From, UndoProblem::Linked);
    if (gone.Way == "trash") return TrashBack(gone);
    return MoveBack(gone.From, gone.To, gone.Size);
}

}  // namespace

bool UndoReport::AllBack() const {
    return std::all_of(Entries.begin(), Entries.end(),
                       [](const UndoEntry& entry) { return entry.Problem == UndoProblem::None; });
}

UndoReport UndoRun(const std::string& journal) {
    UndoReport report;
    for (const Gone& gone : ReadJournal(journal, report.Readable)) {
        // Left in place by the run, or (with no outcome: a killed run) still there.
        if (gone.Removed == false || (!gone.Removed && Exists(gone.From))) continue;
        report.Entries.push_back(Back(gone));
    }
    const bool done = std::all_of(report.Entries.begin(), report.Entries.end(), [](const auto& e) {
        return e.Problem == UndoProblem::None || e.Problem == UndoProblem::Wiped ||
               e.Problem == UndoProblem::Linked;
    });
    if (report.Readable && done) RenameNoReplace(journal, journal + ".undone");
    return report;
}

}  // namespace morvane
