#pragma once
// Disposal of a duplicate: moved into a folder, moved to the trash, or wiped.
#include <optional>
#include <string>

#include "files/disposal_result.h"
#include "files/file_identity.h"

namespace morvane {

// The way a file goes; the window passes the first of its three boxes that is checked.
enum class DisposalWay { None, MoveToFolder, Trash, Wipe };

// Removes the file that was compared, `compared` being its stamp then. Nothing happens to a
// path that is not an existing file (a folder included), nor with DisposalWay::None. Only
// while `path` still leads to the file `compared` describes (same device, inode, size and
// times), checked again as close to the act as each way allows, does anything happen to it;
// otherwise, and when nothing was recorded, it is left alone with DisposalProblem::Changed.
// A move never replaces a file in `moveFolder`: the newcomer takes a free name such as
// "name (2).jpg". An empty `moveFolder` moves nothing and reports it.
DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder,
                           const std::optional<FileStamp>& compared);

}  // namespace morvane
