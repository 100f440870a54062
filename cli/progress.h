// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Progress on standard error while a run works, when that is a terminal.
#include <chrono>
#include <string>

namespace morvane::cli {

class Progress {
  public:
    Progress();
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Walked(int total);
    void FileHandled(int index, const std::string& relativePath);
    void Comparing(int processed, int total);
    // Clears the progress line.
    void Done();

  private:
    bool Due();
    void Print(const std::string& line);

    bool enabled_;
    int total_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastPrint_;
    bool printed_ = false;
};

}  // namespace morvane::cli
