#pragma once
// The greedy grouping of the table in the "similar" mode: the same heads in table order and
// the same rule (a later valid picture at or above the threshold joins the head's group and
// leaves the comparison), with the similarity of the perceptual hashes.
#include <memory>
#include <vector>

#include "compare/grouping.h"
#include "compare/similar_index.h"

namespace morvane {

class SimilarScanner : public PictureScanner {
  public:
    // Hashes the valid fingerprints on `threads` threads (0: one per core) and empties the
    // records' fingerprints, which nothing needs afterwards.
    SimilarScanner(PicTable& table, int threshold, int threads = 0);

    ScanStep NextStep(const std::atomic<bool>* running = nullptr, int maxHeads = 256) override;
    int Processed() const override { return nextHead_; }
    int DuplicateCount() const override { return duplicateCount_; }
    bool Finished() const override { return nextHead_ >= static_cast<int>(table_.size()); }

  private:
    struct Hashed {
        std::vector<std::uint64_t> hashes;
        std::vector<std::uint8_t> levels;  // mean grey of each
    };
    Hashed HashFingerprints(int threads);
    Group ScanHead(int head);

    PicTable& table_;
    std::vector<int> tableIndex_;  // slot -> table index
    std::vector<int> slotOf_;      // table index -> slot, -1 when not hashed
    std::unique_ptr<SimilarIndex> index_;
    int nextHead_ = 0;
    int duplicateCount_ = 0;
};

}  // namespace morvane
