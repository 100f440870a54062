// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Undoing a run's removals from its journal: moved files go back from the move folder, trashed
// ones from the trash, each to its own place and never over a file that is there now.
#include <string>
#include <vector>

namespace morvane {

enum class UndoProblem {
    None,      // back at its place
    Wiped,     // overwritten and deleted: it cannot come back
    Linked,    // its place holds a link to the copy kept; its own bytes went
    Occupied,  // a file is at its place now: left where it is
    Missing,   // not found where it went (or in the trash)
    Failed,    // the system refused (`Error`)
};

struct UndoEntry {
    std::string From;
    UndoProblem Problem = UndoProblem::None;
    int Error = 0;
};

struct UndoReport {
    bool Readable = false;           // the journal could be opened
    std::vector<UndoEntry> Entries;  // the files the run removed, in its order
    bool AllBack() const;
};

// Puts back every file the journal at `journal` says went. Once nothing stays to be done, the
// journal is renamed with ".undone" added, so the run before it becomes the last one.
UndoReport UndoRun(const std::string& journal);

}  // namespace morvane
