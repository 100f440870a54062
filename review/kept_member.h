#pragma once
// Which member of a group a keep-one pass keeps: one rule for the review and the reports.
#include <vector>

#include "imaging/picture_table.h"

namespace morvane {

// Whether a keep-one pass may keep or remove the member: it has a size, and it is not a camera's
// raw file, which is the original of its JPEG, never a spare copy (only a removal the user asks
// for under that very picture takes it).
bool TakesPartInKeepOne(const CollectedRun& run, int index);

// The smallest or the largest file of `members` (table indices) that takes part, by the sizes
// recorded when they were compared, not as they are now; a tie keeps the earlier member. -1
// when none takes part.
int KeptMember(const CollectedRun& run, const std::vector<int>& members, bool keepSmallest);

}  // namespace morvane
