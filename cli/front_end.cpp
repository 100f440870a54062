#include "cli/front_end.h"

#include <sys/stat.h>

#include <iostream>

#include "files/disposal.h"
#include "files/disposal_check.h"
#include "files/sizes.h"
#include "run/messages.h"

namespace morvane::cli {

std::string DisposalText(const Options& options) {
    if (options.Dispose == DisposalWay::MoveToFolder) return "move:" + options.MoveFolder;
    return DisposalWayName(options.Dispose);
}

bool QuietFrontEnd::DisposeFile(const std::string& path, const std::optional<FileStamp>& compared,
                                const KeptFile& kept) {
    Removal removal;
    removal.Path = path;
    removal.Size = FileSizeByName(path);
    // The name as it was: a link or a file, and on which file system.
    struct stat before {};
    const bool named = ::lstat(path.c_str(), &before) == 0;
    // A dry run meets what the real one would, and tells it the same way.
    DisposalResult result =
        options_.DryRun ? CheckDisposal(path, options_.Dispose, options_.MoveFolder, compared, kept)
                        : morvane::DisposeFile(path, options_.Dispose, options_.MoveFolder,
                                               compared, kept, &journal_);
    if (result.problem == DisposalProblem::NotIdentical) ++notIdentical_;
    const bool lastName = result.removed && named && LastName(before);
    if (options_.DryRun && lastName && result.problem == DisposalProblem::ContentKept)
        result.problem = DisposalProblem::None;
    if (const std::string message = DisposalMessage(path, result); !message.empty()) {
        progress_.Done();
        std::cerr << message << "\n";
    }
    removal.Removed = result.removed;
    // Removed, but its bytes not overwritten: other names hold them, or it refused writing.
    if (result.removed && result.problem != DisposalProblem::None) ++notWiped_;
    Count(removal, before, result, lastName);
    if (options_.Dispose == DisposalWay::MoveToFolder && !options_.DryRun)
        removal.MovedTo = result.where;
    removals_.push_back(removal);
    return removal.Removed;
}

void QuietFrontEnd::KeptFileChanged(const std::string& path) {
    progress_.Done();
    std::cerr << KeptFileChangedMessage(path) << "\n";
}

// Whether the content goes with this name. In a dry run nothing is removed, so the names the
// run would already have removed are counted here.
bool QuietFrontEnd::LastName(const struct stat& before) {
    const std::uint64_t gone =
        options_.DryRun ? ++pretendUnlinks_[{before.st_dev, before.st_ino}] : 1;
    return before.st_nlink <= gone;
}

// Space comes back only when the last name of a content leaves its file system: wiped, or
// moved onto another one. A removed link leaves its target where it was.
void QuietFrontEnd::Count(const Removal& removal, const struct stat& before,
                          const DisposalResult& result, bool lastName) {
    if (!removal.Removed || removal.Size <= 0) return;
    bool freed = false;
    const bool linked =
        options_.Dispose == DisposalWay::HardLink || options_.Dispose == DisposalWay::SymLink;
    // A link drops the file's own copy of the bytes, as a wipe does.
    if (lastName && S_ISREG(before.st_mode) && (options_.Dispose == DisposalWay::Wipe || linked)) {
        freed = true;
    } else if (lastName && S_ISREG(before.st_mode) &&
               options_.Dispose == DisposalWay::MoveToFolder) {
        struct stat after {};
        const std::optional<dev_t> device =
            options_.DryRun                              ? DeviceOfMoveFolder(options_.MoveFolder)
            : ::lstat(result.where.c_str(), &after) == 0 ? std::optional(after.st_dev)
                                                         : std::nullopt;
        freed = device && *device != before.st_dev;
    }
    if (freed)
        freedBytes_ += removal.Size;
    else if (result.problem != DisposalProblem::ContentKept)
        movedBytes_ += removal.Size;
}

}  // namespace morvane::cli
