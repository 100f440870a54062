// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/collection.h"

#include <vips/vips.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "compare/worker_pool.h"
#include "files/file_identity.h"
#include "files/masks.h"
#include "files/paths.h"
#include "files/sizes.h"
#include "files/walk.h"
#include "run/run_cache.h"

namespace morvane {
namespace {

// Counts only from the workers; read after they are joined.
struct Tally {
    std::atomic<int> decoded{0};
    std::atomic<int> fromCache{0};
};

void FillRecord(CollectedRun& run, int index, RunCache& cache, Tally& tally) {
    Dubl& record = run.PicTable[index];
    const std::string fullPath = run.FullPath(index);
    record.FileSize = FileSizeByName(fullPath);
    // Taken before reading: a file changed while it is read no longer matches its stamp.
    const std::int64_t stampedAt = WallClockNs();
    record.Stamp = StampOfPath(fullPath);
    if (run.BytesChecked) {
        record.Valid = record.Stamp ? 1 : 0;
        return;
    }
    if (cache.Fill(index, record)) {
        ++tally.fromCache;
    } else {
        TakeFingerprint(record, MakeFingerprint(fullPath));
        ++tally.decoded;
    }
    if (static_cast<int>(record.Fingerprint.size()) - 1 >= LastCell) record.Valid = 1;
    if (record.Valid && record.Stamp && !SettledBy(*record.Stamp, stampedAt))
        record.ContentCheck = CellsDigest(record.Fingerprint);
}

// Workers take the files in index order and fill their records in place (each record is
// written by one worker only); the caller waits for each file in turn and reports it.
class FingerprintWorkers {
  public:
    FingerprintWorkers(CollectedRun& run, RunCache& cache, const std::atomic<bool>& running,
                       int threads)
        : run_(run),
          cache_(cache),
          running_(running),
          done_(run.FileList.size(), kWaiting),
          // The caller only waits, so every decoding thread is a helper; libvips keeps
          // buffers per thread until the thread says it is done.
          pool_(std::min(WorkerCount(threads), std::max(1, run.LastFile() + 1)) + 1,
                [] { vips_thread_shutdown(); }) {
        pool_.Start(run.LastFile() + 1, [this](int index, int) { Work(index); });
    }
    ~FingerprintWorkers() {
        stop_ = true;
        pool_.Wait();
    }
    FingerprintWorkers(const FingerprintWorkers&) = delete;
    FingerprintWorkers& operator=(const FingerprintWorkers&) = delete;

    // False when the workers stopped before file `index` was made.
    bool WaitFor(int index) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_[index] != kWaiting; });
        return done_[index] == kMade;
    }

    // Stops taking files, waits for the pictures being decoded, and passes on a failure.
    void Finish(CollectCounts* counts) {
        stop_ = true;
        pool_.Wait();
        if (counts) {
            counts->Decoded = tally_.decoded;
            counts->FromCache = tally_.fromCache;
        }
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

  private:
    enum : std::uint8_t { kWaiting, kMade, kSkipped };

    void Work(int index) {
        std::uint8_t outcome = kSkipped;
        if (!stop_ && running_) {
            try {
                FillRecord(run_, index, cache_, tally_);
                outcome = kMade;
            } catch (...) {
                const std::lock_guard lock(mutex_);
                if (!failure_) failure_ = std::current_exception();
                stop_ = true;
            }
        }
        const std::lock_guard lock(mutex_);
        done_[index] = outcome;
        changed_.notify_all();
    }

    CollectedRun& run_;
    RunCache& cache_;
    Tally tally_;
    const std::atomic<bool>& running_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> done_;
    std::exception_ptr failure_;
    WorkerPool pool_;  // last: its threads stop before the state they use goes
};

std::vector<CollectedFolder> FoldersInOrder(const std::string& searchRoot,
                                            const CollectOptions& options) {
    std::vector<CollectedFolder> folders;
    for (const std::string& folder : options.ReferenceFolders)
        folders.push_back({AddTrailingBackslash(folder), true});
    folders.push_back({searchRoot, false});
    for (const std::string& folder : options.MoreFolders)
        folders.push_back({AddTrailingBackslash(folder), false});
    return folders;
}

// Walks every folder of the run in turn. Folders may overlap or share files through links, so
// across folders a file is known by its device and inode and taken the first time only: the
// reference folders come first, so a file any of them reaches stays a reference.
int Walk(const MaskList& masks, const std::atomic<bool>& running, CollectedRun& run) {
    if (run.Folders.empty())
        return CollectFiles(run.SearchRoot, true, masks, run.FileList, &running);
    int longPaths = 0;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (int folder = 0; folder < static_cast<int>(run.Folders.size()) && running; ++folder) {
        const std::string& root = run.Folders[folder].Root;
        std::vector<std::string> files;
        longPaths += CollectFiles(root, true, masks, files, &running);
        for (std::string& file : files) {
            const auto identity = IdentityOfPath(root + file);
            if (identity && !seen.emplace(identity->device, identity->inode).second) continue;
            run.FileList.push_back(std::move(file));
            run.FolderOf.push_back(folder);
        }
    }
    return longPaths;
}

}  // namespace

CollectOutcome CollectPictures(const std::string& searchFolder, const std::string& maskText,
                               const std::atomic<bool>& running, const CollectProgress& progress,
                               CollectedRun& run) {
    return CollectPictures(searchFolder, maskText, running, progress, CollectOptions{}, run);
}

CollectOutcome CollectPictures(const std::string& searchFolder, const std::string& maskText,
                               const std::atomic<bool>& running, const CollectProgress& progress,
                               const CollectOptions& options, CollectedRun& run) {
    run = CollectedRun{};
    run.BytesChecked = !options.Fingerprints;
    run.SearchRoot = AddTrailingBackslash(searchFolder);
    if (!PathExists(run.SearchRoot, true)) return CollectOutcome::FolderMissing;
    if (!options.MoreFolders.empty() || !options.ReferenceFolders.empty()) {
        run.Folders = FoldersInOrder(run.SearchRoot, options);
        for (const CollectedFolder& folder : run.Folders)
            if (!PathExists(folder.Root, true)) return CollectOutcome::FolderMissing;
    }

    MaskList masks;
    const int longPaths = masks.SetMasks(maskText) >= 0 ? Walk(masks, running, run) : 0;
    if (options.Counts) options.Counts->LongPathsSkipped = longPaths;
    if (!running) return CollectOutcome::Stopped;
    if (progress.Walked) progress.Walked(static_cast<int>(run.FileList.size()));

    // Created once at its final size, before any worker writes into it.
    run.PicTable.assign(run.FileList.size(), Dubl{});
    FingerprintCache* const usedCache = options.Fingerprints ? options.Cache : nullptr;
    if (run.FileList.empty()) {
        RunCache(usedCache, run).Finish(true);  // the folder's rows are all of gone files
        return CollectOutcome::Done;
    }
    RunCache cache(usedCache, run);
    FingerprintWorkers workers(run, cache, running, options.Threads);
    bool complete = false;
    for (int i = 0; i <= run.LastFile(); ++i) {
        if (!workers.WaitFor(i)) break;
        cache.Remember(i, run.PicTable[i]);
        if (progress.FileHandled) progress.FileHandled(i, run.FileList[i]);
        if (!running) break;
        complete = i == run.LastFile();
    }
    workers.Finish(options.Counts);
    cache.Finish(complete);
    return complete ? CollectOutcome::Done : CollectOutcome::Stopped;
}

}  // namespace morvane
