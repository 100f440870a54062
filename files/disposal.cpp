#include "files/disposal.h"

#include <sys/stat.h>

#include "files/move.h"
#include "files/trash.h"
#include "files/wipe.h"

namespace morvane {

namespace {

// The exact name given (no trimming): a file, or a link to one.
bool IsExistingFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

DisposalResult Removed(std::string movedTo = {}) {
    DisposalResult result;
    result.removed = true;
    result.movedTo = std::move(movedTo);
    return result;
}

DisposalResult Failed(std::string message) {
    DisposalResult result;
    result.message = std::move(message);
    return result;
}

DisposalResult Move(const std::string& path, const std::string& moveFolder) {
    MoveResult moved = MoveIntoFolder(path, moveFolder);
    if (moved.moved) return Removed(std::move(moved.target));
    return Failed("Не могу переместить файл!\n" + path + "\n" + moved.reason);
}

DisposalResult Trash(const std::string& path) {
    const TrashResult trashed = MoveToTrash(path);
    if (trashed.trashed) return Removed();
    return Failed("Не могу переместить файл в корзину!\n" + path + "\n" + trashed.reason);
}

DisposalResult Wipe(const std::string& path) {
    WipeResult wiped = WipeAndRemove(path);
    DisposalResult result = Failed(std::move(wiped.message));
    result.removed = wiped.removed;
    result.contentKept = wiped.contentKept;
    return result;
}

}  // namespace

DisposalResult DisposeFile(const std::string& path, DisposalWay way,
                           const std::string& moveFolder) {
    if (!IsExistingFile(path)) return {};
    switch (way) {
        case DisposalWay::MoveToFolder:
            return Move(path, moveFolder);
        case DisposalWay::Trash:
            return Trash(path);
        case DisposalWay::Wipe:
            return Wipe(path);
        case DisposalWay::None:
            break;
    }
    return {};
}

}  // namespace morvane
