// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Disposal of a duplicate: moved into a folder, moved to the trash, or wiped.
#include <optional>
#include <string>

#include "files/disposal_result.h"
#include "files/file_identity.h"
#include "files/link.h"

namespace morvane {

class RemovalJournal;

// The way a file goes; the window passes the first of its three boxes that is checked. The
// links are the command line's: the file's place taken by a link to the group's kept file.
enum class DisposalWay { None, MoveToFolder, Trash, Wipe, HardLink, SymLink };

// "move", "trash", "wipe", "hardlink", "symlink"; "" for None.
std::string DisposalWayName(DisposalWay way);

// Removes the file that was compared, `compared` being its stamp then. Nothing happens to a
// path that is not an existing file (a folder included), nor with DisposalWay::None. Only
// while `path` still leads to the file `compared` describes (same device, inode, size and
// times), checked again as close to the act as each way allows, does anything happen to it;
// otherwise, and when nothing was recorded, it is left alone with DisposalProblem::Changed.
// A move never replaces a file in `moveFolder`: the newcomer takes a free name such as
// "name (2).jpg". An empty `moveFolder` moves nothing and reports it. The links lead to `kept`.
// With a journal, the file's line is on the disk before anything happens to it (when it cannot
// be written, nothing does: JournalFailed), and its outcome is written after.
DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder,
                           const std::optional<FileStamp>& compared, const KeptFile& kept = {},
                           RemovalJournal* journal = nullptr);

}  // namespace morvane
