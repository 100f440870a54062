// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The freedesktop.org trash (the desktop's recycle bin), through GIO: the trash of the file's
// own disk, with an information file that restores any name, whatever bytes it holds.
#include <string>

#include "files/disposal_result.h"
#include "files/file_identity.h"

namespace morvane {

// Moves the file into the trash, without a question, while `path` still leads to the file
// `expected` describes (else DisposalProblem::Changed); on failure the file stays where it was.
DisposalResult MoveToTrash(const std::string& path, const FileStamp& expected);

}  // namespace morvane
