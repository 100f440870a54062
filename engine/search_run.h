#pragma once
// The collection half of a search run: walk, sizes and fingerprints. Runs on any thread;
// the caller's stop flag is tested after every file.
#include <atomic>
#include <functional>
#include <string>

#include "engine/picture_table.h"

namespace morvane {

struct CollectProgress {
    // The walk has returned with this many files (before any fingerprint is made).
    std::function<void(int count)> Walked;
    // File `index` (its relative path given) has its size and fingerprint.
    std::function<void(int index, const std::string& relativePath)> FileHandled;
};

enum class CollectOutcome {
    FolderMissing,  // nothing was collected and nothing is to be shown
    Stopped,        // `running` went false: no count, no comparison, no output files
    Done,
};

// searchFolder is the text as typed; the run stores it with a trailing separator.
// An empty mask text collects nothing (the run still goes on to an empty review).
CollectOutcome CollectPictures(const std::string& searchFolder, const std::string& maskText,
                               const std::atomic<bool>& running, const CollectProgress& progress,
                               CollectedRun& run);

}  // namespace morvane
