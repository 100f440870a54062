#pragma once
// Which member of a group a keep-one pass keeps: one rule for the review and the reports.
#include <vector>

#include "imaging/picture_table.h"

namespace morvane {

// The smallest or the largest file of `members` (table indices) by the sizes recorded when
// they were compared, not as they are now; a tie keeps the earlier member. -1 when no member
// has a size.
int KeptMember(const PicTable& table, const std::vector<int>& members, bool keepSmallest);

}  // namespace morvane
