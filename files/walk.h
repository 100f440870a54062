#pragma once
// The recursive walk that collects every matching file below the search folder.
#include <atomic>
#include <string>
#include <vector>

#include "files/masks.h"

namespace morvane {

// Appends to `list` every file below `searchRoot` (which ends with the separator) whose
// name matches `masks`, as a path relative to `searchRoot`: depth first, pre-order, in the
// order the file system lists each folder. Each folder is entered once and each file is
// collected once, however many links lead to them. An unreadable folder adds nothing.
// `running`, when given and false, ends the walk early.
void CollectFiles(const std::string& searchRoot, bool recurse, const MaskList& masks,
                  std::vector<std::string>& list, const std::atomic<bool>* running = nullptr);

}  // namespace morvane
