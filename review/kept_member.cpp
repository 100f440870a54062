#include "review/kept_member.h"

namespace morvane {

// Sizes are 64-bit, so files over 2 GiB compare truly.
int KeptMember(const PicTable& table, const std::vector<int>& members, bool keepSmallest) {
    std::int64_t keptSize = -1;
    int kept = -1;
    for (const int index : members) {
        const auto& stamp = table[index].Stamp;
        if (!stamp || stamp->Size <= 0) continue;
        if (keptSize < 0 || (keepSmallest ? stamp->Size < keptSize : stamp->Size > keptSize)) {
            keptSize = stamp->Size;
            kept = index;
        }
    }
    return kept;
}

}  // namespace morvane
