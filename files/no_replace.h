// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Renaming that never replaces a file already at the target name.
#include <string>

namespace morvane {

// Renames `from` to `to` unless something exists at `to`. Returns 0 on success, else the
// errno value (EEXIST when the name is taken, EXDEV across file systems).
int RenameNoReplace(const std::string& from, const std::string& to);

}  // namespace morvane
