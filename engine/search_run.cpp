#include "engine/search_run.h"

#include "files/masks.h"
#include "files/paths.h"
#include "files/sizes.h"
#include "files/walk.h"

namespace morvane {

CollectOutcome CollectPictures(const std::string& searchFolder, const std::string& maskText,
                               const std::atomic<bool>& running, const CollectProgress& progress,
                               CollectedRun& run) {
    run = CollectedRun{};
    run.SearchRoot = AddTrailingBackslash(searchFolder);
    if (!PathExists(run.SearchRoot, true)) return CollectOutcome::FolderMissing;

    MaskList masks;
    if (masks.SetMasks(maskText) >= 0)
        CollectFiles(run.SearchRoot, true, masks, run.FileList, &running);
    if (!running) return CollectOutcome::Stopped;
    if (progress.Walked) progress.Walked(static_cast<int>(run.FileList.size()));

    // Created once at its final size.
    run.PicTable.assign(run.FileList.size(), Dubl{});
    for (int i = 0; i <= run.LastFile(); ++i) {
        const std::string fullPath = run.FullPath(i);
        Dubl& record = run.PicTable[i];
        record.FileSize = FileSizeByName(fullPath);
        MakeFingerprint(fullPath, record.Fingerprint, GridSize, record.PicWidth, record.PicHeight,
                        record.BitDepth, kWhiteFill);
        if (static_cast<int>(record.Fingerprint.size()) - 1 >= LastCell) record.Valid = 1;
        if (progress.FileHandled) progress.FileHandled(i, run.FileList[i]);
        if (!running) return CollectOutcome::Stopped;
    }
    return CollectOutcome::Done;
}

}  // namespace morvane
