#include "cli/front_end.h"

#include <sys/stat.h>

#include <iostream>

#include "files/disposal.h"
#include "files/sizes.h"
#include "run/messages.h"

namespace morvane::cli {

std::string DisposalText(const Options& options) {
    switch (options.Dispose) {
        case DisposalWay::MoveToFolder:
            return "move:" + options.MoveFolder;
        case DisposalWay::Trash:
            return "trash";
        case DisposalWay::Wipe:
            return "wipe";
        case DisposalWay::None:
            break;
    }
    return "";
}

bool QuietFrontEnd::DisposeFile(const std::string& path, const std::optional<FileStamp>& compared) {
    Removal removal;
    removal.Path = path;
    removal.Size = FileSizeByName(path);
    bool contentKept = false;
    if (options_.DryRun) {
        contentKept = Pretend(removal);
    } else {
        DisposalResult result =
            morvane::DisposeFile(path, options_.Dispose, options_.MoveFolder, compared);
        if (const std::string message = DisposalMessage(path, result); !message.empty()) {
            progress_.Done();
            std::cerr << message << "\n";
        }
        removal.Removed = result.removed;
        contentKept = result.problem == DisposalProblem::ContentKept;
        if (options_.Dispose == DisposalWay::MoveToFolder)
            removal.MovedTo = std::move(result.where);
    }
    if (contentKept) {
        ++notWiped_;
        keptBytes_ += removal.Size > 0 ? removal.Size : 0;
    }
    removals_.push_back(removal);
    return removal.Removed;
}

// Decides as the real disposal would, touching nothing: a file that is there goes, and a
// wipe keeps the content while another name of it stays. Returns that last fact.
bool QuietFrontEnd::Pretend(Removal& removal) {
    struct stat info {};
    if (::stat(removal.Path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    removal.Removed = true;
    if (options_.Dispose != DisposalWay::Wipe) return false;
    const std::uint64_t gone = ++pretendUnlinks_[{info.st_dev, info.st_ino}];
    return info.st_nlink > gone;
}

}  // namespace morvane::cli
