#pragma once
// The duplicate list and the run log: opening, line layouts and size formatting.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "engine/picture_table.h"

namespace morvane {

inline constexpr const char* kSeparatorLine = "--------------------";
inline constexpr const char* kLogFileName = "Kestrum.log";
inline constexpr const char* kListFileName = "Kestrum.txt";

// A size with the pattern "# ### ### ###": ten digit places filled from the right, the
// three blanks always printed; larger values print whole with the extra digits at the left.
std::string FormatSize(std::int64_t value);
// "path  /Size: 1 234 567  /1600x1200x24  /P:97%"
std::string LogLine(const std::string& fullPath, const Dubl& record);
// "640x480x24"
std::string DimensionsText(const Dubl& record);

// The messages a front end shows for an output file.
std::string CreateFailedMessage(const std::string& path);
std::string WriteFailedMessage(const std::string& path);

// The line as written to an output file: CR and LF inside it become "\r" and "\n", so one
// entry is always exactly one line.
std::string OneLine(const std::string& line);

// One output file, created anew (or emptied) when opened. Lines end in CR LF.
class OutputFile {
  public:
    // False when the file cannot be created or emptied.
    bool Open(const std::string& path);
    // Writes OneLine(line) and the line end. False when the line could not be written (a full
    // disk, say); the file stays open.
    bool WriteLine(const std::string& line);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::string path_;
};

// The log and the list of one run, opened log first.
struct OutputFiles {
    OutputFile Log;
    OutputFile List;

    // The path that could not be created, or nullopt when both are open.
    std::optional<std::string> Open(const std::string& logPath, const std::string& listPath);
    void Close();
};

}  // namespace morvane
