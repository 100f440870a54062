#include "review/kept_member.h"

#include "imaging/raw_decode.h"

namespace morvane {

bool TakesPartInKeepOne(const CollectedRun& run, int index) {
    const auto& stamp = run.PicTable[index].Stamp;
    return stamp && stamp->Size > 0 && !IsCameraRawPath(run.FileList[index]);
}

// Sizes are 64-bit, so files over 2 GiB compare truly.
int KeptMember(const CollectedRun& run, const std::vector<int>& members, bool keepSmallest) {
    std::int64_t keptSize = -1;
    int kept = -1;
    for (const int index : members) {
        if (!TakesPartInKeepOne(run, index)) continue;
        const auto& stamp = run.PicTable[index].Stamp;
        if (keptSize < 0 || (keepSmallest ? stamp->Size < keptSize : stamp->Size > keptSize)) {
            keptSize = stamp->Size;
            kept = index;
        }
    }
    return kept;
}

}  // namespace morvane
