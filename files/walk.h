// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The recursive walk that collects every matching file below the search folder.
#include <atomic>
#include <climits>
#include <string>
#include <vector>

#include "files/masks.h"

namespace morvane {

// The longest full path, in bytes, that the decoders and the file services can open.
inline constexpr std::size_t kMaxPathBytes = PATH_MAX - 1;

// Appends to `list` every file below `searchRoot` (which ends with the separator) whose
// name matches `masks`, as a path relative to `searchRoot`: depth first, pre-order, each
// folder's entries sorted by name (the masks' upper-casing first, then the bytes), its
// folders among its files, so one tree gives one list on every file system. Each folder is
// entered once and each file is collected once, however many links lead to them. An
// unreadable folder adds nothing. `running`, when given and false, ends the walk early.
// Returns how many matching files and folders were passed over because their full path
// would be longer than kMaxPathBytes (a folder counts once, its contents unseen).
int CollectFiles(const std::string& searchRoot, bool recurse, const MaskList& masks,
                 std::vector<std::string>& list, const std::atomic<bool>* running = nullptr);

}  // namespace morvane
