// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace morvane {

RunCache::RunCache(FingerprintCache* cache, const CollectedRun& run) : run_(run) {
    if (!cache || !cache->Working()) return;
    // Each folder's rows under its real path; one run's folders may overlap.
    const std::size_t folders = std::max<std::size_t>(1, run.Folders.size());
    for (std::size_t folder = 0; folder < folders; ++folder) {
        std::error_code error;
        const std::filesystem::path real = std::filesystem::canonical(
            run.Folders.empty() ? run.SearchRoot : run.Folders[folder].Root, error);
        if (error) return;
        roots_.push_back(real.string());
        if (roots_.back().back() != '/') roots_.back() += '/';
    }
    cache_ = cache;
    started_ = cache->Now();
    for (const std::string& root : roots_) others_.merge(cache->LoadFolder(root));
    known_.resize(run.FileList.size());
    fromCache_.assign(run.FileList.size(), 0);
    for (std::size_t i = 0; i < run.FileList.size(); ++i) {
        if (const auto row = others_.find(KeyOf(i)); row != others_.end()) {
            known_[i] = std::move(row->second);
            others_.erase(row);
        }
    }
}

std::string RunCache::KeyOf(std::size_t index) const {
    return roots_[run_.FolderOf.empty() ? 0 : run_.FolderOf[index]] + run_.FileList[index];
}

bool RunCache::Fill(int index, Dubl& record) {
    if (!cache_) return false;
    std::optional<CachedPicture>& row = known_[index];
    if (!record.Stamp || !row || row->Stamp != *record.Stamp || !Settled(*row) ||
        row->Fill != kWhiteFill)
        return false;
    record.PicWidth = row->Width;
    record.PicHeight = row->Height;
    record.BitDepth = row->Depth;
    record.Fingerprint = std::move(row->Cells);
    row.reset();
    fromCache_[index] = true;
    return true;
}

void RunCache::Remember(int index, const Dubl& record) {
    if (!cache_ || fromCache_[index] || !record.Stamp ||
        record.Fingerprint.size() != GridSize * GridSize)
        return;
    cache_->Store(KeyOf(index), {*record.Stamp, started_, kWhiteFill, record.PicWidth,
                                 record.PicHeight, record.BitDepth, record.Fingerprint});
}

void RunCache::Finish(bool complete) {
    if (!cache_) return;
    cache_->Flush();
    if (!complete) return;
    // Only rows of files gone from the disk: a file the masks left out may be searched again.
    std::vector<std::string> gone;
    for (const auto& [path, row] : others_) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))
            gone.push_back(path);
    }
    cache_->Forget(gone);
}

}  // namespace morvane
