#pragma once
// The freedesktop.org trash (the desktop's recycle bin), through GIO: the trash of the file's
// own disk, with an information file that restores any name, whatever bytes it holds.
#include <string>

namespace morvane {

struct TrashResult {
    bool trashed = false;
    std::string reason;  // why not, in the system's words
};

// Moves the file into the trash, without a question; on failure the file stays where it was.
TrashResult MoveToTrash(const std::string& path);

}  // namespace morvane
