// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal of a run's removals, so that they can be undone: one file per run in the user's
// data folder, one JSON line per file, written and flushed to the disk before the file goes,
// and one line after it with what became of it. A killed run leaves a journal that reads.
#include <cstdint>
#include <string>

#include "files/unique_fd.h"

namespace morvane {

// $XDG_DATA_HOME/morvane, else ~/.local/share/morvane (no separator at the end).
std::string JournalFolder();
// The newest journal in `folder` not undone yet; "" when there is none.
std::string LastJournal(const std::string& folder);

class RemovalJournal {
  public:
    // Nothing is made until the first line: a run that removes nothing leaves no journal.
    explicit RemovalJournal(std::string folder);

    // The line of a file about to go: from, to (the move folder, the kept file of a link),
    // way, size and time. 0 once it is on the disk, else the errno: the file must then stay.
    int Intent(const std::string& from, const std::string& to, const std::string& way,
               std::int64_t size);
    // Whether the file went, and where a moved file now lies.
    void Outcome(const std::string& from, bool removed, const std::string& where);
    // The journal's file, once made.
    const std::string& Path() const { return path_; }

  private:
    int Open();
    int Append(const std::string& line);

    std::string folder_;
    std::string path_;
    UniqueFd file_;
};

}  // namespace morvane
