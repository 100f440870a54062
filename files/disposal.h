#pragma once
// Disposal of a duplicate: moved into a folder, moved to the trash, or wiped.
#include <string>

#include <optional>

#include "files/disposal_result.h"
#include "files/file_identity.h"

namespace morvane {

// The way a file goes; the window passes the first of its three boxes that is checked.
enum class DisposalWay { None, MoveToFolder, Trash, Wipe };

// Nothing happens to a path that is not an existing file (a folder included), nor with
// DisposalWay::None. A move never replaces a file in `moveFolder`: the newcomer takes a free
// name such as "name (2).jpg". An empty `moveFolder` moves nothing and reports it.
DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder);
// The same for a file that was compared: only while `path` still leads to the file `compared`
// describes (same device, inode, size and times) does anything happen to it; otherwise, and
// when nothing was recorded, it is left alone with DisposalProblem::Changed.
DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder,
                           const std::optional<FileStamp>& compared);

}  // namespace morvane
