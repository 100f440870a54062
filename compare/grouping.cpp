// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/grouping.h"

#include <algorithm>
#include <array>

#include "files/free_memory.h"
#include "files/sizes.h"

namespace morvane {
namespace {

// Heads compared per pass over the later fingerprints: their first cells (all that an
// unrelated pair reads) stay in the level-2 cache while the later fingerprints stream by.
constexpr int kBatchHeads = 256;
// Later fingerprints per task: small enough for the level-1 cache.
constexpr int kChunk = 64;
// The candidate filter pays off from this threshold on (at 90 a matching pair differs in at
// most 107 cells, so the cells are cut into 108 blocks of 9 or 10).
constexpr int kFilterThreshold = 90;
// Below this many pictures the batches are quick enough, and the index is not worth building.
constexpr int kFilterMinPictures = 64;
// The index is shared by workers from this size on.
constexpr int kSharedIndexPictures = 4096;
// A link followed in the index (a cache miss, often a count) costs about as much as this many
// pairs compared in the batches; past this ratio, and a first few links, the batches take over.
constexpr std::uint64_t kLinkCost = 32;
constexpr std::uint64_t kFilterTrialLinks = 1 << 16;
// Fingerprints moved into the block between two hand-backs of the freed ones (4 MiB).
constexpr std::size_t kReleaseEvery = 4096;

bool Stopped(const std::atomic<bool>* running) {
    return running && !running->load(std::memory_order_relaxed);
}

}  // namespace

int EqualCells(const std::uint8_t* a, const std::uint8_t* b) {
    return CountEqualCells(ActiveCellKernel(), a, b);
}

int SimilarityFromEqualCells(int equalCells) {
    const double counter = equalCells - 1;
    return static_cast<int>(RoundHalfEven(counter / LastCell * 100.0));
}

int Similarity(const Fingerprint& a, const Fingerprint& b) {
    return SimilarityFromEqualCells(EqualCells(a.data(), b.data()));
}

int LeastEqualCells(int threshold) {
    int equal = 0;
    while (equal <= LastCell + 1 && SimilarityFromEqualCells(equal) < threshold) ++equal;
    return equal;
}

GroupScanner::GroupScanner(PicTable& table, int threshold, int threads, Filter filter)
    : table_(table),
      leastEqual_(LeastEqualCells(threshold)),
      threads_(WorkerCount(threads)),
      kernel_(ActiveCellKernel()),
      slotOf_(table.size(), -1) {
    // A record marked valid with a short fingerprint (never made by the collection) has no
    // 1024 cells to compare: it is left out rather than read past its end.
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Valid == 1 && table[i].Fingerprint.size() >= kFingerprintCells)
            tableIndex_.push_back(static_cast<int>(i));
    TakeFingerprints();
    alive_.assign(tableIndex_.size(), 1);
    const int count = static_cast<int>(tableIndex_.size());
    if (filter == Filter::Off || threshold < kFilterThreshold || count < kFilterMinPictures) return;
    if (threads_ > 1 && count >= kSharedIndexPictures)
        pool_ = std::make_unique<WorkerPool>(threads_);
    std::vector<const std::uint8_t*> prints(tableIndex_.size());
    for (std::size_t slot = 0; slot < prints.size(); ++slot) prints[slot] = store_.At(slot);
    candidates_ =
        std::make_unique<CandidateIndex>(prints, kFingerprintCells - leastEqual_, pool_.get());
    seenBy_.assign(tableIndex_.size(), -1);
}

// Moves the valid fingerprints into the block, leaving the records' empty.
void GroupScanner::TakeFingerprints() {
    store_ = FingerprintStore(tableIndex_.size());
    for (std::size_t slot = 0; slot < tableIndex_.size(); ++slot) {
        Fingerprint& cells = table_[tableIndex_[slot]].Fingerprint;
        store_.Set(slot, cells.data());
        Fingerprint().swap(cells);
        slotOf_[tableIndex_[slot]] = static_cast<int>(slot);
        // The records' copies go back to the system as the block fills, so the two never
        // take memory side by side.
        if ((slot + 1) % kReleaseEvery == 0) ReleaseFreeMemory();
    }
    ReleaseFreeMemory();
}

// The later pictures that match `slot`, in slot order, taken out of the comparison.
std::vector<GroupScanner::Match> GroupScanner::CandidateMatches(int slot) {
    std::vector<Match> matches;
    const std::uint8_t* head = store_.At(slot);
    const auto alive = [this](int later) { return alive_[later] != 0; };
    candidateSteps_ += candidates_->VisitLater(slot, alive, [&](int later) {
        if (seenBy_[later] == slot) return;  // shares another block with the head
        seenBy_[later] = slot;
        const int equal = CountEqualCellsAtLeast(kernel_, head, store_.At(later), leastEqual_);
        if (equal >= leastEqual_) matches.push_back({later, equal});
    });
    std::sort(matches.begin(), matches.end(),
              [](const Match& a, const Match& b) { return a.slot < b.slot; });
    alive_[slot] = 0;
    for (const Match& match : matches) alive_[match.slot] = 0;
    plainPairs_ += store_.Count() - 1 - static_cast<std::size_t>(slot);
    if (candidateSteps_ > kFilterTrialLinks && candidateSteps_ * kLinkCost > plainPairs_) {
        candidates_.reset();
        std::vector<std::int32_t>().swap(seenBy_);
    }
    return matches;
}

// The heads grouped among themselves, one after another, as the one-by-one scan would.
std::vector<GroupScanner::BatchHead> GroupScanner::GroupWithinBatch(
    const std::vector<int>& heads) const {
    std::vector<std::uint8_t> taken(heads.size(), 0);
    std::vector<BatchHead> survivors;
    for (std::size_t h = 0; h < heads.size(); ++h) {
        if (taken[h]) continue;
        BatchHead head{heads[h], {}};
        for (std::size_t c = h + 1; c < heads.size(); ++c) {
            if (taken[c]) continue;
            const int equal = CountEqualCellsAtLeast(kernel_, store_.At(heads[h]),
                                                     store_.At(heads[c]), leastEqual_);
            if (equal < leastEqual_) continue;
            taken[c] = 1;
            head.matches.push_back({heads[c], equal});
        }
        survivors.push_back(std::move(head));
    }
    return survivors;
}

// Every alive slot from `firstSlot` on goes to the first head of `batch` it matches.
bool GroupScanner::MatchLaterSlots(std::vector<BatchHead>& batch, int firstSlot,
                                   const std::atomic<bool>* running) {
    const int end = static_cast<int>(store_.Count());
    const int chunks = (end - firstSlot + kChunk - 1) / kChunk;
    if (chunks <= 0) return true;
    if (!pool_ && threads_ > 1 && chunks >= 2) pool_ = std::make_unique<WorkerPool>(threads_);
    const int workers = pool_ ? pool_->Threads() : 1;
    std::vector<std::vector<std::pair<int, Match>>> found(workers);
    std::atomic<bool> stopped{false};
    const auto task = [&](int chunk, int worker) {
        if (stopped.load(std::memory_order_relaxed)) return;
        if (Stopped(running)) return stopped.store(true);
        const int first = firstSlot + chunk * kChunk;
        const int count = std::min(kChunk, end - first);
        std::array<std::uint8_t, kChunk> skip{};
        std::array<std::int16_t, kChunk> equal{};
        int open = 0;
        for (int i = 0; i < count; ++i) {
            skip[i] = alive_[first + i] ? 0 : 1;
            open += alive_[first + i];
        }
        for (std::size_t h = 0; h < batch.size() && open > 0; ++h) {
            CountEqualCellsMany(kernel_, store_.At(batch[h].slot), store_.At(first), count,
                                skip.data(), leastEqual_, equal.data());
            for (int i = 0; i < count; ++i) {
                if (equal[i] < leastEqual_) continue;
                found[worker].push_back({static_cast<int>(h), {first + i, equal[i]}});
                skip[i] = 1;
                --open;
            }
        }
    };
    if (pool_)
        pool_->ForEach(chunks, task);
    else
        for (int chunk = 0; chunk < chunks; ++chunk) task(chunk, 0);
    if (stopped) return false;
    for (const auto& list : found)
        for (const auto& [head, match] : list) batch[head].matches.push_back(match);
    for (auto& head : batch)
        std::sort(head.matches.begin(), head.matches.end(),
                  [](const Match& a, const Match& b) { return a.slot < b.slot; });
    return true;
}

bool GroupScanner::ComputeBatch(int firstSlot, const std::atomic<bool>* running) {
    std::vector<int> heads;
    int slot = firstSlot;
    const int end = static_cast<int>(store_.Count());
    for (; slot < end && static_cast<int>(heads.size()) < kBatchHeads; ++slot)
        if (alive_[slot]) heads.push_back(slot);
    std::vector<BatchHead> batch = GroupWithinBatch(heads);
    if (!MatchLaterSlots(batch, slot, running)) return false;
    // Nothing up to the last head is compared again; later slots leave when taken.
    std::fill(alive_.begin() + firstSlot, alive_.begin() + slot, 0);
    for (const auto& head : batch)
        for (const Match& match : head.matches) alive_[match.slot] = 0;
    batch_ = std::move(batch);
    batchPos_ = 0;
    return true;
}

std::optional<Group> GroupScanner::ScanHead(int head, const std::atomic<bool>* running) {
    Group group{{head}};
    const int slot = slotOf_[head];
    if (slot < 0) return group;
    if (candidates_) return Gather(head, CandidateMatches(slot));
    if (batch_.empty() || batch_.back().slot < slot) {
        if (!ComputeBatch(slot, running)) return std::nullopt;
    }
    while (batchPos_ < batch_.size() && batch_[batchPos_].slot < slot) ++batchPos_;
    if (batchPos_ == batch_.size() || batch_[batchPos_].slot != slot) return group;
    group = Gather(head, batch_[batchPos_].matches);
    // The matches are not needed again.
    std::vector<Match>().swap(batch_[batchPos_].matches);
    return group;
}

bool JoinGroup(PicTable& table, Group& group, int candidate, int similarity) {
    Dubl& record = table[candidate];
    if (record.Valid != 1) return false;
    group.Members.push_back(candidate);
    record.Valid = 0;
    record.Similarity = static_cast<std::uint8_t>(similarity);
    table[group.Members.front()].Similarity = static_cast<std::uint8_t>(similarity);
    return true;
}

// Writes the records of a head's matches and makes its group.
Group GroupScanner::Gather(int head, const std::vector<Match>& matches) {
    Group group{{head}};
    for (const Match& match : matches)
        if (JoinGroup(table_, group, tableIndex_[match.slot],
                      SimilarityFromEqualCells(match.equal)))
            ++duplicateCount_;
    return group;
}

ScanStep GroupScanner::NextStep(const std::atomic<bool>* running, int maxHeads) {
    ScanStep step;
    const int size = static_cast<int>(table_.size());
    for (int done = 0; done < maxHeads && nextHead_ < size; ++done) {
        if (Stopped(running)) break;
        const int head = nextHead_;
        if (table_[head].Valid != 1) {
            ++nextHead_;
            continue;
        }
        std::optional<Group> group = ScanHead(head, running);
        if (!group) break;  // stopped part way: this head is scanned again on the next step
        ++nextHead_;
        if (group->Members.size() > 1) {
            step.Group = std::move(group);
            break;
        }
    }
    step.Processed = nextHead_;
    step.DuplicateCount = duplicateCount_;
    return step;
}

ScanStep HeadByHeadScanner::NextStep(const std::atomic<bool>* running, int maxHeads) {
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
    if (Finished()) AfterLastHead();
    return step;
}

}  // namespace morvane
