// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What became of a file given for disposal, told the same way by the move, the trash and the
// wipe. The texts the user reads are made from it above this layer.
#include <string>

namespace morvane {

enum class DisposalProblem {
    None,
    NoMoveFolder,      // no folder named to move into
    CannotMakeFolder,  // `where` is the folder that could not be made
    AlreadyInFolder,   // the file lies in the move folder already
    NoFreeName,        // every numbered name in the folder is taken
    NotRegularFile,    // only a regular file is copied to another disk
    MoveFailed,        // `error` says why
    TrashFailed,       // `detail` gives the system's words
    CannotRename,      // the wipe could not rename the file, so it did not touch it
    CannotOpen,        // the wipe could not open the file (see `removed`: it may be gone unwiped)
    CannotOverwrite,   // the wipe could not write it (likewise)
    CannotRemove,      // `where` is the random name the file kept, when it could not get its
                       // own name back
    ContentKept,       // removed, but other names of the file still hold its bytes
    Changed,           // not the file that was compared (changed, replaced or gone): left alone
    KeptChanged,       // a link was to lead to the kept file, which changed or went: left alone
    NotIdentical,      // not byte for byte the kept file, so no link may take its place
    OtherFileSystem,   // a hard link cannot reach the kept file on another file system
    LinkFailed,        // the link could not be made or put in place (`error` says why)
    JournalFailed,     // its journal line could not be written (`where`), so it was not touched
};

struct DisposalResult {
    bool removed = false;  // the file is gone from its place
    DisposalProblem problem = DisposalProblem::None;
    int error = 0;            // errno, when the system said why
    std::string detail = {};  // the system's own words, when it gives no errno
    std::string where = {};   // where a moved file now lies; see DisposalProblem for the rest
};

inline DisposalResult DisposalFailed(DisposalProblem problem, int error = 0) {
    return {false, problem, error, {}, {}};
}

}  // namespace morvane
