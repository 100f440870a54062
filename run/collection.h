// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The collection half of a search run: walk, sizes and fingerprints. Runs on any thread;
// the fingerprints are made by a pool of worker threads, one picture per thread at a time,
// while the calling thread reports the progress in file order. The stop flag is tested by
// the workers before each picture and by the caller after every reported file.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "imaging/picture_table.h"

namespace morvane {

struct CollectProgress {
    // The walk has returned with this many files (before any fingerprint is made).
    std::function<void(int count)> Walked;
    // File `index` (its relative path given) has its size and fingerprint. Called on the
    // thread that called CollectPictures, once per file, in index order.
    std::function<void(int index, const std::string& relativePath)> FileHandled;
};

class FingerprintCache;

// How the fingerprints of a run were come by.
struct CollectCounts {
    int Decoded = 0;
    int FromCache = 0;
    // Files and folders the walk passed over: their paths are too long to open.
    int LongPathsSkipped = 0;
};

struct CollectOptions {
    // Pictures decoded at once; 0 means one per processor core.
    int Threads = 0;
    // Unchanged pictures are taken from it and new ones written to it; null: none is used.
    FingerprintCache* Cache = nullptr;
    // Filled in when given.
    CollectCounts* Counts = nullptr;
    // False: only sizes and stamps, nothing decoded and no cache used; every regular file is
    // valid (the comparison reads the bytes itself).
    bool Fingerprints = true;
    // Searched with the search folder as one table: the reference folders first, then the
    // search folder, then these, each in the order given. A file reached twice is taken once,
    // as a reference when any way to it is one.
    std::vector<std::string> MoreFolders = {};
    std::vector<std::string> ReferenceFolders = {};
};

enum class CollectOutcome {
    FolderMissing,  // nothing was collected and nothing is to be shown
    Stopped,        // `running` went false: no count, no comparison, no output files
    Done,
};

// searchFolder is the text as typed; the run stores it with a trailing separator. Any folder
// missing gives FolderMissing.
// An empty mask text collects nothing (the run still goes on to an empty review).
CollectOutcome CollectPictures(const std::string& searchFolder, const std::string& maskText,
                               const std::atomic<bool>& running, const CollectProgress& progress,
                               CollectedRun& run);
CollectOutcome CollectPictures(const std::string& searchFolder, const std::string& maskText,
                               const std::atomic<bool>& running, const CollectProgress& progress,
                               const CollectOptions& options, CollectedRun& run);

}  // namespace morvane
