// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_identity.h"
#include "files/unique_fd.h"

namespace morvane {

namespace {

// O_NONBLOCK: a pipe with no reader fails at once instead of hanging the run.
constexpr int kOpenFlags = O_WRONLY | O_CLOEXEC | O_NONBLOCK;

// Opens without emptying; `created` tells whether this call made the file.
UniqueFd OpenForWriting(const std::string& path, bool& created) {
    UniqueFd fd(::open(path.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666));
    created = fd.Valid();
    if (created || errno != EEXIST) return fd;
    fd = UniqueFd(::open(path.c_str(), kOpenFlags));
    if (fd.Valid() || errno != ENOENT) return fd;
    // A link to a file that is not there yet: the file is made where it points.
    fd = UniqueFd(::open(path.c_str(), kOpenFlags | O_CREAT, 0666));
    created = fd.Valid();
    return fd;
}

// Only pictures of the file's own size (or of no known size) are looked at, so a large run
// costs few look-ups.
bool IsCollectedPicture(const struct stat& file, const CollectedRun& run) {
    const FileIdentity identity = IdentityOfStatus(file);
    for (int i = 0; i <= run.LastFile(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (index < run.PicTable.size() && run.PicTable[index].FileSize > 0 &&
            run.PicTable[index].FileSize != file.st_size)
            continue;
        if (IdentityOfPath(run.FullPath(i)) == identity) return true;
    }
    return false;
}

}  // namespace

std::string FormatSize(std::int64_t value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    if (value == 0) digits.clear();  // "#" places print nothing for a zero value
    // Fill the pattern "# ### ### ###" from the right.
    static constexpr const char* kPattern = "# ### ### ###";
    const std::string pattern = kPattern;
    std::string result;
    int next = static_cast<int>(digits.size()) - 1;
    for (int i = static_cast<int>(pattern.size()) - 1; i >= 0; --i) {
        if (pattern[i] == '#') {
            if (next >= 0) result.insert(result.begin(), digits[next--]);
        } else {
            result.insert(result.begin(), pattern[i]);
        }
    }
    // Digits beyond the pattern's places stand whole at the left.
    if (next >= 0) result.insert(0, digits.substr(0, next + 1));
    if (negative) result.insert(result.begin(), '-');
    return result;
}

std::string DimensionsText(const Dubl& record) {
    return std::to_string(record.PicWidth) + "x" + std::to_string(record.PicHeight) + "x" +
           std::to_string(record.BitDepth);
}

std::string LogLine(const std::string& fullPath, const Dubl& record) {
    return fullPath + "  /Size:" + FormatSize(record.FileSize) + "  /" + DimensionsText(record) +
           "  /P:" + std::to_string(record.Similarity) + "%";
}

bool OutputFile::Open(const std::string& path) {
    Close();
    path_ = path;
    created_ = false;
    if (path.empty()) return false;
    UniqueFd fd = OpenForWriting(path, created_);
    if (!fd.Valid()) return false;
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags == -1 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) == -1) return false;
    file_.reset(::fdopen(fd.Get(), "wb"));
    if (file_) fd.Release();
    return file_ != nullptr;
}

bool OutputFile::Empty() {
    const auto status = Status();
    if (!status) return false;
    return !S_ISREG(status->st_mode) || ::ftruncate(::fileno(file_.get()), 0) == 0;
}

void OutputFile::Discard() {
    const auto status = Status();
    Close();
    // Only the file this Open made, and only while the name still leads to it.
    if (created_ && status && IdentityOfPath(path_) == IdentityOfStatus(*status))
        ::unlink(path_.c_str());
    created_ = false;
}

std::optional<struct stat> OutputFile::Status() const {
    struct stat info {};
    if (!file_ || ::fstat(::fileno(file_.get()), &info) != 0) return std::nullopt;
    return info;
}

std::string OneLine(const std::string& line) {
    // A file name may hold CR or LF. Written as they are, they would split its line in two
    // and the second half could name some other file. They are written as the two
    // characters "\r" and "\n" instead: that one line no longer names its file exactly
    // (a name may also hold a real backslash), but every other line stays a path as it is,
    // byte for byte, and no line is ever split into pieces that name other files.
    if (line.find_first_of("\r\n") == std::string::npos) return line;
    std::string escaped;
    escaped.reserve(line.size() + 8);
    for (const char c : line) {
        if (c == '\r')
            escaped += "\\r";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

bool OutputFile::WriteLine(const std::string& rawLine) {
    if (!file_) return false;
    const std::string line = OneLine(rawLine);
    // Flushed per line so that a full disk is noticed at the line that did not fit.
    if (std::fwrite(line.data(), 1, line.size(), file_.get()) != line.size() ||
        std::fwrite("\r\n", 1, 2, file_.get()) != 2 || std::fflush(file_.get()) != 0)
        return false;
    // A file removed while open still takes writes, which would then vanish with it; a run
    // must not go on (and remove pictures) behind a list nobody can read.
    struct stat info {};
    return ::fstat(::fileno(file_.get()), &info) == 0 && info.st_nlink > 0;
}

void OutputFile::Close() {
    file_.reset();
}

std::optional<std::string> OutputFiles::Open(const std::string& logPath,
                                             const std::string& listPath, const CollectedRun& run) {
    const auto refused = OpenUnemptied(logPath, listPath, run);
    if (refused) {
        Log.Discard();
        List.Discard();
        return refused;
    }
    if (!Log.Empty()) return logPath;
    if (!List.Empty()) return listPath;
    return std::nullopt;
}

// Both open, so a path that named no file yet now names the one just made, and a link, a
// second name or a differently written path is recognised by the file it leads to.
std::optional<std::string> OutputFiles::OpenUnemptied(const std::string& logPath,
                                                      const std::string& listPath,
                                                      const CollectedRun& run) {
    if (!Log.Open(logPath)) return logPath;
    if (!List.Open(listPath)) return listPath;
    const auto log = Log.Status();
    const auto list = List.Status();
    if (!log) return logPath;
    if (!list) return listPath;
    // Two streams on one device (/dev/null, say) harm nothing; on one regular file they do.
    if (S_ISREG(log->st_mode) && IdentityOfStatus(*log) == IdentityOfStatus(*list)) return listPath;
    if (IsCollectedPicture(*log, run)) return logPath;
    if (IsCollectedPicture(*list, run)) return listPath;
    return std::nullopt;
}

void OutputFiles::Close() {
    Log.Close();
    List.Close();
}

}  // namespace morvane
