#include "engine/output_files.h"

#include <sys/stat.h>

#include <cerrno>

namespace morvane {

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

std::string CreateFailedMessage(const std::string& path) {
    return "Ошибка создания файла!\n" + path;
}

std::string WriteFailedMessage(const std::string& path) {
    return "Ошибка записи файла!\n" + path;
}

bool OutputFile::Open(const std::string& path) {
    Close();
    path_ = path;
    if (path.empty()) return false;
    file_.reset(std::fopen(path.c_str(), "wb"));
    return file_ != nullptr;
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
                                             const std::string& listPath) {
    if (!Log.Open(logPath)) return logPath;
    if (!List.Open(listPath)) {
        Log.Close();
        return listPath;
    }
    return std::nullopt;
}

void OutputFiles::Close() {
    Log.Close();
    List.Close();
}

}  // namespace morvane
