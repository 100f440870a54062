// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/identical_scanner.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "compare/worker_pool.h"

namespace morvane {
namespace {

std::int64_t SizeOf(const Dubl& record) {
    return record.Stamp ? record.Stamp->Size : 0;
}

}  // namespace

bool SameBytes(const CollectedRun& run, int a, int b) {
    const auto& stampA = run.PicTable[a].Stamp;
    const auto& stampB = run.PicTable[b].Stamp;
    return stampA && stampB && stampA->Size == stampB->Size &&
           SameFileContent(run.FullPath(a), *stampA, run.FullPath(b), *stampB);
}

IdenticalScanner::IdenticalScanner(CollectedRun& run, int threads, Hasher hasher)
    : HeadByHeadScanner(run.PicTable), run_(run), classOf_(run.PicTable.size(), -1) {
    const std::vector<int> files = FilesOfSharedSize();
    std::vector<std::optional<ContentHash>> hashes(files.size());
    const auto task = [&](int slot, int) {
        const int index = files[slot];
        Dubl& record = run_.PicTable[index];
        const std::int64_t readAt = WallClockNs();
        hashes[slot] = hasher(run_.FullPath(index), *record.Stamp);
        if (!hashes[slot])
            record.Valid = 0;
        else if (!SettledBy(*record.Stamp, readAt))
            record.ContentCheck = hashes[slot]->Low;
    };
    const int count = static_cast<int>(files.size());
    const int workers = std::min(WorkerCount(threads), count);
    if (workers > 1) {
        WorkerPool(workers).ForEach(count, task);
    } else {
        for (int slot = 0; slot < count; ++slot) task(slot, 0);
    }
    Classify(files, hashes);
}

// The valid files that share their size with another one, in table order.
std::vector<int> IdenticalScanner::FilesOfSharedSize() const {
    std::map<std::int64_t, int> filesOfSize;
    const PicTable& table = run_.PicTable;
    for (const Dubl& record : table)
        if (record.Valid == 1 && SizeOf(record) > 0) ++filesOfSize[SizeOf(record)];
    std::vector<int> files;
    for (int i = 0; i < static_cast<int>(table.size()); ++i)
        if (table[i].Valid == 1 && SizeOf(table[i]) > 0 && filesOfSize[SizeOf(table[i])] > 1)
            files.push_back(i);
    return files;
}

void IdenticalScanner::Classify(const std::vector<int>& files,
                                const std::vector<std::optional<ContentHash>>& hashes) {
    std::map<std::tuple<std::int64_t, std::uint64_t, std::uint64_t>, int> classNumber;
    for (std::size_t slot = 0; slot < files.size(); ++slot) {
        if (!hashes[slot]) continue;
        const int index = files[slot];
        const auto key =
            std::tuple(SizeOf(run_.PicTable[index]), hashes[slot]->Low, hashes[slot]->High);
        const auto [at, added] = classNumber.try_emplace(key, static_cast<int>(classes_.size()));
        if (added) classes_.emplace_back();
        classes_[at->second].push_back(index);
        classOf_[index] = at->second;
    }
}

Group IdenticalScanner::ScanHead(int head) {
    Group group{{head}};
    if (classOf_[head] < 0) return group;
    for (const int later : classes_[classOf_[head]])
        if (later > head && run_.PicTable[later].Valid == 1 && SameBytes(run_, head, later) &&
            JoinGroup(run_.PicTable, group, later, 100))
            ++duplicateCount_;
    return group;
}

}  // namespace morvane
