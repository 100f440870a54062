#pragma once
// Disposal of a duplicate: moved into a folder, moved to the trash, or wiped.
#include <string>

namespace morvane {

// The way a file goes; the window passes the first of its three boxes that is checked.
enum class DisposalWay { None, MoveToFolder, Trash, Wipe };

struct DisposalResult {
    bool removed = false;      // the file is gone from its place
    bool contentKept = false;  // removed by a wipe, but another name still holds the content
    std::string movedTo;       // where a moved file now lies
    std::string message;       // for the user, when something failed
};

// Nothing happens to a path that is not an existing file (a folder included), nor with
// DisposalWay::None. A move never replaces a file in `moveFolder`: the newcomer takes a free
// name such as "name (2).jpg". An empty `moveFolder` moves nothing and reports it.
DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder);

}  // namespace morvane
