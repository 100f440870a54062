// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "files/journal_lines.h"
#include "files/move.h"

namespace morvane {

std::string JournalFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/morvane";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/morvane";
}

std::string LastJournal(const std::string& folder) {
    std::string last;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(kJournalPrefix) && name.ends_with(kJournalSuffix) && name > last)
            last = name;
    }
    return last.empty() ? "" : folder + "/" + last;
}

namespace {

// Undone from any folder, so always the whole path, as the trash records it.
std::string Whole(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).lexically_normal().string();
}

}  // namespace

RemovalJournal::RemovalJournal(std::string folder) : folder_(std::move(folder)) {}

// Named by the time (to the millisecond, so names sort by it) and the process.
int RemovalJournal::Open() {
    if (file_.Valid()) return 0;
    if (!CreateFolderPath(folder_)) return errno != 0 ? errno : ENOENT;
    const std::string stamp =
        QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss.zzz").toStdString();
    path_ =
        folder_ + "/" + kJournalPrefix + stamp + "-" + std::to_string(::getpid()) + kJournalSuffix;
    file_ =
        UniqueFd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600));
    if (!file_.Valid()) return errno;
    // The journal's own name must survive a power cut along with its lines.
    const UniqueFd parent(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.Valid()) ::fsync(parent.Get());
    return 0;
}

int RemovalJournal::Append(const std::string& line) {
    if (const int error = Open()) return error;
    const std::string whole = line + "\n";
    if (::write(file_.Get(), whole.data(), whole.size()) != static_cast<ssize_t>(whole.size()))
        return errno != 0 ? errno : EIO;
    return ::fsync(file_.Get()) == 0 ? 0 : errno;
}

int RemovalJournal::Intent(const std::string& from, const std::string& to, const std::string& way,
                           std::int64_t size) {
    QJsonObject line;
    PutPath(line, "from", Whole(from));
    PutPath(line, "to", Whole(to));
    line["way"] = QString::fromStdString(way);
    line["size"] = static_cast<qint64>(size);
    line["time"] = static_cast<qint64>(QDateTime::currentSecsSinceEpoch());
    errno = 0;
    return Append(QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString());
}

void RemovalJournal::Outcome(const std::string& from, bool removed, const std::string& where) {
    QJsonObject line;
    PutPath(line, "from", Whole(from));
    line["removed"] = removed;
    if (!where.empty()) PutPath(line, "to", Whole(where));
    Append(QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString());
}

}  // namespace morvane
