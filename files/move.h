// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving a file into a folder: the folder is made when missing, and a file already there
// under the same name is never replaced.
#include <string>

#include "files/disposal_result.h"
#include "files/file_identity.h"

namespace morvane {

// The move folder as a prefix ending in one separator; "" when no folder is named.
std::string MoveFolderPrefix(const std::string& folder);
// The folder holding `path`, ending in the separator; "." for a bare name.
std::string FolderHolding(const std::string& path);
// Whether both names lead to one existing file (or folder).
bool SameFile(const std::string& a, const std::string& b);

// Creates the folder level by level when it is missing; true when it exists afterwards.
// A trailing separator is allowed; an empty path gives false.
bool CreateFolderPath(const std::string& path);

// "name.jpg" for number 1, "name (2).jpg" for 2, and so on; a name without an extension
// (or a hidden name such as ".profile") gets the number at its end.
std::string NumberedName(const std::string& name, int number);

// How a copy to another disk is staged before it takes its name: in an unnamed file where the
// file system offers one, else (or always, with NamedOnly) under a hidden temporary name.
enum class CopyStaging { UnnamedWhenOffered, NamedOnly };

// Moves `source` into `folder` (with or without a trailing separator), under its own name or,
// when that is taken, the first free NumberedName, while `source` still leads to the file
// `expected` describes (else DisposalProblem::Changed, nothing moved). Across file systems the
// file is copied from a descriptor that shows that file, flushed to the disk, given its name
// only once complete, and only then removed from its place; a failed copy leaves nothing
// behind and the original untouched.
DisposalResult MoveIntoFolder(const std::string& source, const std::string& folder,
                              const FileStamp& expected,
                              CopyStaging staging = CopyStaging::UnnamedWhenOffered);

}  // namespace morvane
