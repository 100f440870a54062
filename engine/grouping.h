#pragma once
// Similarity of two fingerprints and the greedy grouping of the picture table: each valid
// picture in table order heads a group of the later valid pictures that reach the threshold
// against it; a picture taken into a group leaves the comparison for good.
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/picture_table.h"

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

// Walks the heads of a table, updating Valid and Similarity as groups form. Groups depend
// only on the table and the threshold, so the scan may run ahead of the review on another
// thread: records of a group are never written again once the group has been returned.
class GroupScanner {
  public:
    GroupScanner(PicTable& table, int threshold);

    // Scans heads until one forms a group or `maxHeads` heads are done, whichever comes
    // first. `running`, when given and false, ends the scan early.
    ScanStep NextStep(const std::atomic<bool>* running = nullptr, int maxHeads = 256);
    int Processed() const { return nextHead_; }
    int DuplicateCount() const { return duplicateCount_; }
    bool Finished() const { return nextHead_ >= static_cast<int>(table_.size()); }

  private:
    Group ScanHead(int head);

    PicTable& table_;
    int leastEqual_;
    int nextHead_ = 0;
    int duplicateCount_ = 0;
};

}  // namespace morvane
