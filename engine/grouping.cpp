#include "engine/grouping.h"

#include "engine/threshold.h"

namespace morvane {

int EqualCells(const std::uint8_t* a, const std::uint8_t* b) {
    int equal = 0;
    for (int i = 0; i <= LastCell; ++i) equal += a[i] == b[i];
    return equal;
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

GroupScanner::GroupScanner(PicTable& table, int threshold)
    : table_(table), leastEqual_(LeastEqualCells(threshold)) {}

Group GroupScanner::ScanHead(int head) {
    Group group{{head}};
    Dubl& headRecord = table_[head];
    const int last = static_cast<int>(table_.size()) - 1;
    for (int candidate = head + 1; candidate <= last; ++candidate) {
        Dubl& record = table_[candidate];
        if (record.Valid != 1) continue;
        const int equal = EqualCells(headRecord.Fingerprint.data(), record.Fingerprint.data());
        if (equal < leastEqual_) continue;
        const auto similarity = static_cast<std::uint8_t>(SimilarityFromEqualCells(equal));
        ++duplicateCount_;
        group.Members.push_back(candidate);
        record.Valid = 0;
        record.Similarity = similarity;
        headRecord.Similarity = similarity;
    }
    return group;
}

ScanStep GroupScanner::NextStep(const std::atomic<bool>* running, int maxHeads) {
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
