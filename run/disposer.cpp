// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/disposer.h"

#include "files/disposal_check.h"
#include "files/sizes.h"
#include "run/messages.h"

namespace morvane {

bool Disposer::Dispose(const std::string& path, const std::optional<FileStamp>& compared,
                       const KeptFile& kept) {
    const DisposalWay way = frontEnd_.ChosenDisposalWay();
    Removal removal{.Path = path, .Size = FileSizeByName(path)};
    // The name as it was: a link or a file, and on which file system.
    struct stat before {};
    const bool named = ::lstat(path.c_str(), &before) == 0;
    // A dry run meets what the real one would, and tells it the same way.
    DisposalResult result = dryRun_
                                ? CheckDisposal(path, way, moveFolder_, compared, kept)
                                : DisposeFile(path, way, moveFolder_, compared, kept, &journal_);
    if (result.problem == DisposalProblem::NotIdentical) ++notIdentical_;
    const bool lastName = result.removed && named && LastName(before);
    if (dryRun_ && lastName && result.problem == DisposalProblem::ContentKept)
        result.problem = DisposalProblem::None;
    if (const std::string message = DisposalMessage(path, result); !message.empty())
        frontEnd_.Tell(message);
    removal.Removed = result.removed;
    if (result.removed && result.problem != DisposalProblem::None) ++notWiped_;
    Count(removal, way, before, result, lastName);
    if (way == DisposalWay::MoveToFolder && !dryRun_) removal.MovedTo = result.where;
    removals_.push_back(removal);
    return removal.Removed;
}

void Disposer::KeptFileChanged(const std::string& path) {
    frontEnd_.Tell(KeptFileChangedMessage(path));
}

void Disposer::ReferenceKept(const std::string& path) {
    frontEnd_.Tell(ReferenceKeptMessage(path));
}

// Whether the content goes with this name. In a dry run nothing is removed, so the names the
// run would already have removed are counted here.
bool Disposer::LastName(const struct stat& before) {
    const std::uint64_t gone = dryRun_ ? ++pretendUnlinks_[{before.st_dev, before.st_ino}] : 1;
    return before.st_nlink <= gone;
}

// Space comes back only when the last name of a content leaves its file system: wiped, or
// moved onto another one. A removed link leaves its target where it was.
void Disposer::Count(const Removal& removal, DisposalWay way, const struct stat& before,
                     const DisposalResult& result, bool lastName) {
    if (!removal.Removed || removal.Size <= 0) return;
    bool freed = false;
    const bool linked = way == DisposalWay::HardLink || way == DisposalWay::SymLink;
    // A link drops the file's own copy of the bytes, as a wipe does.
    if (lastName && S_ISREG(before.st_mode) && (way == DisposalWay::Wipe || linked)) {
        freed = true;
    } else if (lastName && S_ISREG(before.st_mode) && way == DisposalWay::MoveToFolder) {
        struct stat after {};
        const std::optional<dev_t> device = dryRun_ ? DeviceOfMoveFolder(moveFolder_)
                                            : ::lstat(result.where.c_str(), &after) == 0
                                                ? std::optional(after.st_dev)
                                                : std::nullopt;
        freed = device && *device != before.st_dev;
    }
    if (freed)
        freedBytes_ += removal.Size;
    else if (result.problem != DisposalProblem::ContentKept)
        movedBytes_ += removal.Size;
}

}  // namespace morvane
