// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The duplicate list and the run log: opening, line layouts and size formatting.
#include <sys/stat.h>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "imaging/picture_table.h"

namespace morvane {

inline constexpr const char* kSeparatorLine = "--------------------";

// A size with the pattern "# ### ### ###": ten digit places filled from the right, the
// three blanks always printed; larger values print whole with the extra digits at the left.
std::string FormatSize(std::int64_t value);
// "path  /Size: 1 234 567  /1600x1200x24  /P:97%"
std::string LogLine(const std::string& fullPath, const Dubl& record);
// "640x480x24"
std::string DimensionsText(const Dubl& record);

// The line as written to an output file: CR and LF inside it become "\r" and "\n", so one
// entry is always exactly one line.
std::string OneLine(const std::string& line);

// One output file. Lines end in CR LF. It is opened first and emptied only once it is known
// to be a file that may be written (Empty), so a refused file is left as it was (Discard).
class OutputFile {
  public:
    // Opens the file for writing, creating it when missing; false when it cannot be opened.
    bool Open(const std::string& path);
    // Empties a regular file (a device or a pipe has nothing to empty); false on failure.
    bool Empty();
    // Closes the file and removes it again when Open created it.
    void Discard();
    // The open file's status (which file it is, its type and size).
    std::optional<struct stat> Status() const;
    // Writes OneLine(line) and the line end. False when the line could not be written (a full
    // disk, say); the file stays open.
    bool WriteLine(const std::string& line);
    void Close();
    const std::string& Path() const { return path_; }

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::string path_;
    bool created_ = false;
};

// The log and the list of one run, opened log first.
struct OutputFiles {
    OutputFile Log;
    OutputFile List;

    // Opens and empties both; nullopt when both are open. Otherwise returns the path that
    // cannot be used, with neither file emptied: a file that cannot be opened, a list that is
    // the log's own file (written by both, it would be neither), or either path naming one of
    // the collected pictures of `run` (which would be truncated).
    std::optional<std::string> Open(const std::string& logPath, const std::string& listPath,
                                    const CollectedRun& run = {});
    void Close();

  private:
    std::optional<std::string> OpenUnemptied(const std::string& logPath,
                                             const std::string& listPath, const CollectedRun& run);
};

}  // namespace morvane
