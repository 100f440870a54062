#include "compare/similar_scanner.h"

#include <algorithm>
#include <tuple>

#include "compare/worker_pool.h"
#include "files/free_memory.h"

namespace morvane {
namespace {

// Fingerprints hashed per task.
constexpr int kHashChunk = 256;

}  // namespace

SimilarScanner::SimilarScanner(PicTable& table, int threshold, int threads)
    : table_(table), slotOf_(table.size(), -1) {
    // As in the exact mode, a record marked valid without 1024 cells heads no group.
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Valid == 1 && table[i].Fingerprint.size() >= kFingerprintCells) {
            slotOf_[i] = static_cast<int>(tableIndex_.size());
            tableIndex_.push_back(static_cast<int>(i));
        }
    HashFingerprints(threads);
    const int slots = static_cast<int>(tableIndex_.size());
    std::vector<SimilarIndex::Item> parts, turns;
    for (int slot = 0; slot < slots; ++slot)
        for (std::size_t v = firstVariant_[slot]; v < firstVariant_[slot + 1]; ++v) {
            const VariantHash& hash = variants_[v];
            const SimilarIndex::Item item{hash.hash, slot, hash.level, hash.variant};
            if (IsPart(hash.variant)) parts.push_back(item);
            if (IsTurn(hash.variant)) turns.push_back(item);
        }
    const int distance = MaxHashDistance(threshold);
    partIndex_ = std::make_unique<SimilarIndex>(std::move(parts), slots, distance);
    turnIndex_ = std::make_unique<SimilarIndex>(std::move(turns), slots, distance);
}

void SimilarScanner::HashFingerprints(int threads) {
    const int count = static_cast<int>(tableIndex_.size());
    std::vector<std::vector<VariantHash>> bySlot(count);
    const auto task = [&](int chunk, int) {
        const int end = std::min(count, (chunk + 1) * kHashChunk);
        for (int slot = chunk * kHashChunk; slot < end; ++slot)
            bySlot[slot] = VariantHashes(CellsOf(slot));
    };
    const int chunks = (count + kHashChunk - 1) / kHashChunk;
    const int workers = std::min(WorkerCount(threads), chunks);
    if (workers > 1) {
        WorkerPool(workers).ForEach(chunks, task);
    } else {
        for (int chunk = 0; chunk < chunks; ++chunk) task(chunk, 0);
    }
    firstVariant_.reserve(count + 1);
    for (const auto& hashes : bySlot) {
        firstVariant_.push_back(variants_.size());
        variants_.insert(variants_.end(), hashes.begin(), hashes.end());
    }
    firstVariant_.push_back(variants_.size());
}

const std::uint8_t* SimilarScanner::CellsOf(int slot) const {
    return table_[tableIndex_[slot]].Fingerprint.data();
}

// A slot that has headed or joined a group is never compared again: its cells go.
void SimilarScanner::Release(int slot) {
    partIndex_->Take(slot);
    turnIndex_->Take(slot);
    Fingerprint().swap(table_[tableIndex_[slot]].Fingerprint);
}

// Every hash of a later slot near one of the head's, nearest first within each slot: the
// head's turns against the later parts, and its parts against the later turns.
std::vector<SimilarScanner::Hit> SimilarScanner::HitsOf(int slot) {
    std::vector<Hit> hits;
    for (std::size_t v = firstVariant_[slot]; v < firstVariant_[slot + 1]; ++v) {
        const VariantHash& hash = variants_[v];
        for (const bool asTurn : {true, false}) {
            if (asTurn ? !IsTurn(hash.variant) : !IsPart(hash.variant)) continue;
            matches_.clear();
            (asTurn ? partIndex_ : turnIndex_)->FindLater(slot, hash, matches_);
            for (const SimilarIndex::Match& m : matches_)
                hits.push_back({m.owner, m.distance, hash.variant, m.variant});
        }
    }
    const auto key = [](const Hit& h) {
        return std::tuple(h.owner, h.distance, h.headVariant, h.ownerVariant);
    };
    std::sort(hits.begin(), hits.end(),
              [&](const Hit& a, const Hit& b) { return key(a) < key(b); });
    hits.erase(std::unique(hits.begin(), hits.end(),
                           [&](const Hit& a, const Hit& b) { return key(a) == key(b); }),
               hits.end());
    return hits;
}

bool SimilarScanner::Confirmed(int slot, const Hit& hit) {
    auto& head = headFrequencies_[hit.headVariant];
    if (!head) head = VariantFrequencies(CellsOf(slot), hit.headVariant);
    return Correlation(*head, VariantFrequencies(CellsOf(hit.owner), hit.ownerVariant)) >=
           kMinCorrelation;
}

Group SimilarScanner::ScanHead(int head) {
    Group group{{head}};
    const int slot = slotOf_[head];
    if (slot < 0) return group;
    headFrequencies_.fill(std::nullopt);
    const std::vector<Hit> hits = HitsOf(slot);
    for (auto hit = hits.begin(); hit != hits.end(); ++hit) {
        if (hit != hits.begin() && std::prev(hit)->owner == hit->owner) continue;
        // The owner's nearest confirmed hash gives the similarity.
        auto confirmed = hit;
        while (confirmed != hits.end() && confirmed->owner == hit->owner &&
               !Confirmed(slot, *confirmed))
            ++confirmed;
        if (confirmed == hits.end() || confirmed->owner != hit->owner) continue;
        if (JoinGroup(table_, group, tableIndex_[hit->owner],
                      HashSimilarity(confirmed->distance))) {
            ++duplicateCount_;
            Release(hit->owner);
        }
    }
    Release(slot);
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
    if (Finished()) ReleaseFreeMemory();
    return step;
}

}  // namespace morvane
