// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The greedy grouping of the table in the "similar" mode: the same heads in table order and
// the same rule (a later valid picture at or above the threshold joins the head's group and
// leaves the comparison), with the pair rule of similar_variants.h and the similarity of the
// nearest confirmed hashes.
#include <cstdint>
#include <vector>

#include "compare/grouping.h"
#include "compare/similar_index.h"
#include "compare/worker_pool.h"

namespace morvane {

class SimilarScanner : public HeadByHeadScanner {
  public:
    // Hashes the valid fingerprints and finds and confirms every pair of look-alikes, on
    // `threads` threads (0: one per core), so that only the pairs are kept, never every hash
    // near another. A record's cells go once the scan is done with it.
    SimilarScanner(PicTable& table, int threshold, int threads = 0);

  private:
    // A later slot like the head: a turn of one of the two near a part of the other, their
    // low frequencies confirming it, at the nearest such distance.
    struct Pair {
        std::int32_t head = 0;
        std::int32_t owner = 0;
        std::int32_t distance = 0;
    };
    void HashFingerprints(WorkerPool& pool);
    void FindPairs(WorkerPool& pool, int distance);
    Group ScanHead(int head) override;
    void AfterLastHead() override;
    const std::uint8_t* CellsOf(int slot) const;
    void Release(int slot);

    PicTable& table_;
    std::vector<int> tableIndex_;            // slot -> table index
    std::vector<int> slotOf_;                // table index -> slot, -1 when not hashed
    std::vector<VariantHash> variants_;      // every slot's, one after another
    std::vector<std::size_t> firstVariant_;  // slot -> its first in variants_; one past the end
    std::vector<Pair> pairs_;                // by head, then owner
    std::vector<std::size_t> firstPair_;     // slot -> its first in pairs_ as head; one past
    std::vector<std::uint8_t> taken_;        // by slot: headed or joined a group
};

}  // namespace morvane
