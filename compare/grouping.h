// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Similarity of two fingerprints and the greedy grouping of the picture table: each valid
// picture in table order heads a group of the later valid pictures that reach the threshold
// against it; a picture taken into a group leaves the comparison for good.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "compare/candidate_index.h"
#include "compare/equal_cells.h"
#include "compare/fingerprint_store.h"
#include "compare/worker_pool.h"
#include "imaging/picture_table.h"

namespace morvane {

// Number of cells holding exactly equal grey values (both fingerprints complete).
int EqualCells(const std::uint8_t* a, const std::uint8_t* b);
// 100 x (equal cells - 1) / 1023, rounded half to even.
int SimilarityFromEqualCells(int equalCells);
int Similarity(const Fingerprint& a, const Fingerprint& b);
// The least number of equal cells whose similarity reaches the threshold.
int LeastEqualCells(int threshold);

struct Group {
    std::vector<int> Members;  // table indices: the head, then its matches in table order
};

// One step of the scan. `Processed` is the number of heads done so far (last head + 1);
// `Group` is set when that head found matches, with `DuplicateCount` the matches of the
// whole scan so far.
struct ScanStep {
    int Processed = 0;
    int DuplicateCount = 0;
    std::optional<morvane::Group> Group;
};

// What the review needs of a comparison: the heads of the table in order, each step ending
// at a group or after a number of heads. Both comparison modes provide it.
// Takes the picture at `candidate` into `group` (whose first member is the head) with
// `similarity`: its record leaves the comparison and, like the head's, shows the similarity.
// False, and nothing changes, when the record is no longer valid.
bool JoinGroup(PicTable& table, Group& group, int candidate, int similarity);

class PictureScanner {
  public:
    virtual ~PictureScanner() = default;
    virtual ScanStep NextStep(const std::atomic<bool>* running = nullptr, int maxHeads = 256) = 0;
    virtual int Processed() const = 0;
    virtual int DuplicateCount() const = 0;
    virtual bool Finished() const = 0;
};

// The head loop of the scanners that take one head at a time: heads in table order, records
// that are not valid passed over, a step ending with the first group of two or more, after
// `maxHeads` heads, or when `running` goes false. A subclass groups one head.
class HeadByHeadScanner : public PictureScanner {
  public:
    ScanStep NextStep(const std::atomic<bool>* running = nullptr, int maxHeads = 256) override;
    int Processed() const override { return nextHead_; }
    int DuplicateCount() const override { return duplicateCount_; }
    bool Finished() const override { return nextHead_ >= static_cast<int>(table_.size()); }

  protected:
    explicit HeadByHeadScanner(const PicTable& table) : table_(table) {}
    // The head's group, its later members marked; only the head when none joins.
    virtual Group ScanHead(int head) = 0;
    // Called once the last head is done.
    virtual void AfterLastHead() {}

    int duplicateCount_ = 0;

  private:
    const PicTable& table_;
    int nextHead_ = 0;
};

// Walks the heads of a table, updating Valid and Similarity as groups form. Groups depend
// only on the table and the threshold, so the scan may run ahead of the review on another
// thread: records of a group are never written again once the group has been returned.
//
// The result is exactly that of comparing each head with every later valid picture in
// order, but the work is done differently: the valid fingerprints are moved at construction
// into one aligned block (the records are left with empty ones, so a run holds each
// fingerprint once), and the comparisons are made for a batch of heads at a time, spread
// over `threads` threads (0: one per core). Within a batch, the heads are first grouped among
// themselves in order; every later picture then goes to the first remaining head it matches,
// which is where the one-by-one scan would put it. Records are written only as each head's
// turn comes in NextStep, so what the caller sees step by step is unchanged.
//
// From threshold 90 on, a matching pair differs in so few cells that most pairs need not be
// compared at all: each head is compared only with the later pictures a CandidateIndex finds.
// Should the index lead to too many pictures that share cells without matching (large flat
// areas common to many pictures), the scan goes on with the batches, from that head on.
class GroupScanner : public PictureScanner {
  public:
    enum class Filter { Auto, Off };  // Off: always the batches (tests and benchmarks)

    GroupScanner(PicTable& table, int threshold, int threads = 0, Filter filter = Filter::Auto);

    // Scans heads until one forms a group or `maxHeads` heads are done, whichever comes
    // first. `running`, when given and false, ends the scan early.
    ScanStep NextStep(const std::atomic<bool>* running = nullptr, int maxHeads = 256) override;
    int Processed() const override { return nextHead_; }
    int DuplicateCount() const override { return duplicateCount_; }
    bool Finished() const override { return nextHead_ >= static_cast<int>(table_.size()); }
    // Whether the next heads are looked up in the candidate index.
    bool UsesCandidateFilter() const { return candidates_ != nullptr; }

  private:
    struct Match {
        int slot = 0;
        int equal = 0;
    };
    struct BatchHead {
        int slot = 0;
        std::vector<Match> matches;  // ascending slots
    };

    void TakeFingerprints();
    // Empty when `running` went false before the comparisons for `head` were done.
    std::optional<Group> ScanHead(int head, const std::atomic<bool>* running);
    std::vector<Match> CandidateMatches(int slot);
    Group Gather(int head, const std::vector<Match>& matches);
    bool ComputeBatch(int firstSlot, const std::atomic<bool>* running);
    std::vector<BatchHead> GroupWithinBatch(const std::vector<int>& heads) const;
    bool MatchLaterSlots(std::vector<BatchHead>& batch, int firstSlot,
                         const std::atomic<bool>* running);

    PicTable& table_;
    int leastEqual_;
    int threads_;
    CellKernel kernel_;
    int nextHead_ = 0;
    int duplicateCount_ = 0;
    FingerprintStore store_;
    std::vector<int> tableIndex_;      // slot -> table index
    std::vector<int> slotOf_;          // table index -> slot, -1 when not in the store
    std::vector<std::uint8_t> alive_;  // slot -> still to be compared (not a head, not taken)
    std::vector<BatchHead> batch_;     // surviving heads of the latest batch, ascending
    std::size_t batchPos_ = 0;
    std::unique_ptr<WorkerPool> pool_;            // made when work is first large enough to share
    std::unique_ptr<CandidateIndex> candidates_;  // set while the candidate filter is in use
    std::vector<std::int32_t> seenBy_;            // slot -> last head slot that verified it
    std::uint64_t candidateSteps_ = 0;            // links followed in the index so far
    std::uint64_t plainPairs_ = 0;                // pairs the batches would have compared
};

}  // namespace morvane
