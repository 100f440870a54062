#pragma once
// Disposal of a duplicate: moved to a folder, moved to the trash, or wiped.
#include <cstdint>
#include <functional>
#include <string>

namespace morvane {

enum class DisposalWay { None, MoveToFolder, Trash, Wipe };

struct DisposalResult {
    bool removed = false;      // the file is gone from its place
    std::string message;       // a user-facing message when something failed
};

// Nothing for a path that is not an existing file; otherwise the chosen way.
DisposalResult DisposeFile(const std::string& path, DisposalWay way,
                           const std::string& moveFolder);

}  // namespace morvane
