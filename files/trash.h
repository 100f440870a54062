#pragma once
// The freedesktop.org trash (the desktop's recycle bin).
#include <string>

namespace morvane {

// Moves the file into the trash of its disk, without a question. On success returns true and
// stores where the file now lies; on failure the file stays where it was.
bool MoveToTrash(const std::string& path, std::string& inTrash);

}  // namespace morvane
