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

}  // namespace

DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder,
                           const std::optional<FileStamp>& compared) {
    if (way == DisposalWay::None || !IsExistingFile(path)) return {};
    if (!compared || StampOfPath(path) != compared) return DisposalFailed(DisposalProblem::Changed);
    switch (way) {
        case DisposalWay::MoveToFolder:
            return MoveIntoFolder(path, moveFolder, *compared);
        case DisposalWay::Trash:
            return MoveToTrash(path, *compared);
        case DisposalWay::Wipe:
            return WipeAndRemove(path, *compared);
        case DisposalWay::None:
            break;
    }
    return {};
}

}  // namespace morvane
