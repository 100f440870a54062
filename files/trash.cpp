// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/trash.h"

#include "files/gio_handles.h"

namespace morvane {

DisposalResult MoveToTrash(const std::string& path, const FileStamp& expected) {
    if (StampOfPath(path) != expected) return DisposalFailed(DisposalProblem::Changed);
    // A path is bytes: GIO takes it as it stands, valid UTF-8 or not.
    const GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    GError* failure = nullptr;
    const bool trashed = g_file_trash(file.get(), nullptr, &failure);
    const GErrorPtr error(failure);
    if (trashed) return {.removed = true};
    DisposalResult result = DisposalFailed(DisposalProblem::TrashFailed);
    if (error) result.detail = error->message;
    return result;
}

}  // namespace morvane
