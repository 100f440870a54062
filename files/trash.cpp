#include "files/trash.h"

#include <gio/gio.h>

#include <memory>

namespace morvane {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

}  // namespace

DisposalResult MoveToTrash(const std::string& path, const FileStamp& expected) {
    if (StampOfPath(path) != expected) return DisposalFailed(DisposalProblem::Changed);
    // A path is bytes: GIO takes it as it stands, valid UTF-8 or not.
    const std::unique_ptr<GFile, ObjectUnref> file(g_file_new_for_path(path.c_str()));
    GError* failure = nullptr;
    const bool trashed = g_file_trash(file.get(), nullptr, &failure);
    const std::unique_ptr<GError, ErrorFree> error(failure);
    if (trashed) return {.removed = true};
    DisposalResult result = DisposalFailed(DisposalProblem::TrashFailed);
    if (error) result.detail = error->message;
    return result;
}

}  // namespace morvane
