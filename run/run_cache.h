// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One collection's use of the fingerprint cache: the rows of its folder read in one query
// before decoding, unchanged files filled from them on the workers, new fingerprints written
// as the files are reported, and at the end of a whole run the rows of vanished files dropped.
#include <atomic>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "imaging/picture_table.h"
#include "run/fingerprint_cache.h"

namespace morvane {

class RunCache {
  public:
    // A null cache, or a folder whose real path cannot be found, gives a cache that does nothing.
    RunCache(FingerprintCache* cache, const CollectedRun& run);

    // On a worker, once per file, after the record got its stamp: true when the record got its
    // fingerprint and sizes from an unchanged file's row.
    bool Fill(int index, Dubl& record);
    // On the collecting thread after file `index` is done: keeps a newly made fingerprint.
    void Remember(int index, const Dubl& record);
    // Writes what is queued; a complete run also drops rows of files no longer there.
    void Finish(bool complete);

  private:
    FingerprintCache* cache_ = nullptr;
    const CollectedRun& run_;
    // The cache's key of file `index`: its folder's real path, then its relative path.
    std::string KeyOf(std::size_t index) const;

    std::vector<std::string> roots_;  // each folder's real path, with the separator
    std::int64_t started_ = 0;        // the wall clock before any file's stamp was taken
    std::vector<std::optional<CachedPicture>> known_;
    std::vector<std::uint8_t> fromCache_;  // one writer per element: the file's worker
    std::unordered_map<std::string, CachedPicture> others_;  // rows of unlisted files
};

}  // namespace morvane
