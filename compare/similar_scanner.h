#pragma once
// The greedy grouping of the table in the "similar" mode: the same heads in table order and
// the same rule (a later valid picture at or above the threshold joins the head's group and
// leaves the comparison), with the pair rule of similar_variants.h and the similarity of the
// nearest confirmed hashes.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "compare/grouping.h"
#include "compare/similar_index.h"
#include "compare/worker_pool.h"

namespace morvane {

class SimilarScanner : public PictureScanner {
  public:
    // Hashes the valid fingerprints and finds every pair of near hashes, on `threads` threads
    // (0: one per core). The records keep their cells, which confirm a pair, until the scan
    // is done with them.
    SimilarScanner(PicTable& table, int threshold, int threads = 0);

    ScanStep NextStep(const std::atomic<bool>* running = nullptr, int maxHeads = 256) override;
    int Processed() const override { return nextHead_; }
    int DuplicateCount() const override { return duplicateCount_; }
    bool Finished() const override { return nextHead_ >= static_cast<int>(table_.size()); }

  private:
    // A hash of a later slot near one of the head's: a turn of one of the two against a
    // part of the other.
    struct Hit {
        std::int32_t head = 0;
        std::int32_t owner = 0;
        std::uint8_t distance = 0;
        std::uint8_t headVariant = 0;
        std::uint8_t ownerVariant = 0;
    };
    void HashFingerprints(WorkerPool& pool);
    void FindHits(WorkerPool& pool, int distance);
    Group ScanHead(int head);
    bool Confirmed(int slot, const Hit& hit);
    const std::uint8_t* CellsOf(int slot) const;
    void Release(int slot);

    PicTable& table_;
    std::vector<int> tableIndex_;            // slot -> table index
    std::vector<int> slotOf_;                // table index -> slot, -1 when not hashed
    std::vector<VariantHash> variants_;      // every slot's, one after another
    std::vector<std::size_t> firstVariant_;  // slot -> its first in variants_; one past the end
    std::vector<Hit> hits_;                  // by head, then owner, nearest first
    std::vector<std::size_t> firstHit_;      // slot -> its first in hits_ as head; one past
    std::vector<std::uint8_t> taken_;        // by slot: headed or joined a group
    std::array<std::optional<LowFrequencies>, kVariantCount> headFrequencies_;
    int nextHead_ = 0;
    int duplicateCount_ = 0;
};

}  // namespace morvane
