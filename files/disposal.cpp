// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/disposal.h"

#include <sys/stat.h>

#include "files/journal.h"
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

DisposalResult Act(const std::string& path, DisposalWay way, const std::string& moveFolder,
                   const FileStamp& compared, const KeptFile& kept) {
    switch (way) {
        case DisposalWay::MoveToFolder:
            return MoveIntoFolder(path, moveFolder, compared);
        case DisposalWay::Trash:
            return MoveToTrash(path, compared);
        case DisposalWay::Wipe:
            return WipeAndRemove(path, compared);
        case DisposalWay::HardLink:
        case DisposalWay::SymLink:
            return ReplaceByLink(
                path, compared, kept,
                way == DisposalWay::HardLink ? LinkKind::Hard : LinkKind::Symbolic);
        case DisposalWay::None:
            break;
    }
    return {};
}

}  // namespace

std::string DisposalWayName(DisposalWay way) {
    switch (way) {
        case DisposalWay::MoveToFolder:
            return "move";
        case DisposalWay::Trash:
            return "trash";
        case DisposalWay::Wipe:
            return "wipe";
        case DisposalWay::HardLink:
            return "hardlink";
        case DisposalWay::SymLink:
            return "symlink";
        case DisposalWay::None:
            break;
    }
    return "";
}

DisposalResult DisposeFile(const std::string& path, DisposalWay way, const std::string& moveFolder,
                           const std::optional<FileStamp>& compared, const KeptFile& kept,
                           RemovalJournal* journal) {
    if (way == DisposalWay::None || !IsExistingFile(path)) return {};
    if (!compared || StampOfPath(path) != compared) return DisposalFailed(DisposalProblem::Changed);
    const bool linked = way == DisposalWay::HardLink || way == DisposalWay::SymLink;
    const std::string to = way == DisposalWay::MoveToFolder ? moveFolder : linked ? kept.Path : "";
    const int unwritten =
        journal ? journal->Intent(path, to, DisposalWayName(way), compared->Size) : 0;
    if (unwritten != 0) {
        DisposalResult result = DisposalFailed(DisposalProblem::JournalFailed, unwritten);
        result.where = journal->Path();
        return result;
    }
    const DisposalResult result = Act(path, way, moveFolder, *compared, kept);
    if (journal) journal->Outcome(path, result.removed, result.removed ? result.where : "");
    return result;
}

}  // namespace morvane
