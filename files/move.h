#pragma once
// Moving a file into a folder: the folder is made when missing, and a file already there
// under the same name is never replaced.
#include <string>

#include "files/disposal_result.h"

namespace morvane {

// Creates the folder level by level when it is missing; true when it exists afterwards.
// A trailing separator is allowed; an empty path gives false.
bool CreateFolderPath(const std::string& path);

// "name.jpg" for number 1, "name (2).jpg" for 2, and so on; a name without an extension
// (or a hidden name such as ".profile") gets the number at its end.
std::string NumberedName(const std::string& name, int number);

// Moves `source` into `folder` (with or without a trailing separator), under its own name or,
// when that is taken, the first free NumberedName. Across file systems the file is copied,
// flushed to the disk, and only then removed from its place; a failed copy leaves nothing
// behind and the original untouched.
DisposalResult MoveIntoFolder(const std::string& source, const std::string& folder);

}  // namespace morvane
