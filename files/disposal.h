#pragma once
// Disposal of a duplicate: moved into a folder, moved to the trash, or wiped.
#include <string>

#include "files/disposal_result.h"

namespace morvane {

// The way a file goes; the window passes the first of its three boxes that is checked.
enum class DisposalWay { None, MoveToFolder, Trash, Wipe };

// Nothing happens to a path that is not an existing file (a folder included), nor with
// DisposalWay::None. A move never replaces a file in `moveFolder`: the newcomer takes a free
// name such as "name (2).jpg". An empty `moveFolder` moves nothing and reports it.
DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder);

}  // namespace morvane
