#include "compare/similar_scanner.h"

#include "compare/similar_hash.h"
#include "compare/worker_pool.h"
#include "files/free_memory.h"

namespace morvane {
namespace {

// Fingerprints hashed per task.
constexpr int kHashChunk = 1024;

}  // namespace

SimilarScanner::SimilarScanner(PicTable& table, int threshold, int threads)
    : table_(table), slotOf_(table.size(), -1) {
    // As in the exact mode, a record marked valid without 1024 cells heads no group.
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Valid == 1 && table[i].Fingerprint.size() >= kFingerprintCells) {
            slotOf_[i] = static_cast<int>(tableIndex_.size());
            tableIndex_.push_back(static_cast<int>(i));
        }
    Hashed hashed = HashFingerprints(threads);
    index_ = std::make_unique<SimilarIndex>(std::move(hashed.hashes), MaxHashDistance(threshold),
                                            std::move(hashed.levels));
    for (const int i : tableIndex_) Fingerprint().swap(table_[i].Fingerprint);
    ReleaseFreeMemory();
}

SimilarScanner::Hashed SimilarScanner::HashFingerprints(int threads) {
    Hashed hashed{std::vector<std::uint64_t>(tableIndex_.size()),
                  std::vector<std::uint8_t>(tableIndex_.size())};
    const int count = static_cast<int>(tableIndex_.size());
    const auto task = [&](int chunk, int) {
        const int end = std::min(count, (chunk + 1) * kHashChunk);
        for (int slot = chunk * kHashChunk; slot < end; ++slot) {
            const std::uint8_t* cells = table_[tableIndex_[slot]].Fingerprint.data();
            hashed.hashes[slot] = PerceptualHash(cells);
            hashed.levels[slot] = MeanLevel(cells);
        }
    };
    const int chunks = (count + kHashChunk - 1) / kHashChunk;
    const int workers = std::min(WorkerCount(threads), chunks);
    if (workers > 1) {
        WorkerPool(workers).ForEach(chunks, task);
    } else {
        for (int chunk = 0; chunk < chunks; ++chunk) task(chunk, 0);
    }
    return hashed;
}

Group SimilarScanner::ScanHead(int head) {
    Group group{{head}};
    const int slot = slotOf_[head];
    if (slot < 0) return group;
    for (const SimilarIndex::Match& match : index_->TakeLater(slot))
        if (JoinGroup(table_, group, tableIndex_[match.slot], HashSimilarity(match.distance)))
            ++duplicateCount_;
    return group;
}

ScanStep SimilarScanner::NextStep(const std::atomic<bool>* running, int maxHeads) {
    ScanStep step;
    const int size = static_cast<int>(table_.size());
    for (int done = 0; done < maxHeads && nextHead_ < size; ++done) {
        if (running && !running->load(std::memory_order_relaxed)) break;
        const int head = nextHead_++;
        if (table_[head].Valid != 1) continue;
        Group group = ScanHead(head);
        if (group.Members.size() > 1) {
            step.Group = std::move(group);
            break;
        }
    }
    step.Processed = nextHead_;
    step.DuplicateCount = duplicateCount_;
    return step;
}

}  // namespace morvane
