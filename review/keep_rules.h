// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which file of a group stays when all others go: a list of rules, the first one that tells
// the files apart decides, the next breaks its ties, and then the walk order.
#include <optional>
#include <string>
#include <vector>

#include "imaging/picture_table.h"

namespace morvane {

enum class KeepRuleKind { Largest, Smallest, MostPixels, Oldest, Newest, InFolder, ShortestPath };

struct KeepRule {
    KeepRuleKind Kind = KeepRuleKind::Largest;
    std::string Folder = {};  // InFolder only
    bool operator==(const KeepRule&) const = default;
};

using KeepRules = std::vector<KeepRule>;

// Rules separated by commas ("newest,largest", "in:/photos"); nothing when one is unknown,
// and then `unknown` (when given) holds it.
std::optional<KeepRules> ParseKeepRules(const std::string& text, std::string* unknown = nullptr);
// The rules as they would be written on the command line.
std::string KeepRulesText(const KeepRules& rules);

// The member of a group (table indices in group order) that stays. A group holding reference
// pictures keeps its first one and the rules choose nothing. A camera's raw file is never
// chosen: it is the original of its JPEG, not a copy, and stays besides whatever is kept. Sizes and
// times are those the stamps recorded when the pictures were read; a member without a size is never
// chosen. The date a photo was taken is read only when a rule needs it. -1 when no member can be
// kept.
int KeptMember(const std::vector<int>& members, const CollectedRun& run, const KeepRules& rules);

// Whether a keep-all pass must leave the picture in place whichever member it keeps: a
// reference picture, or a camera's raw file (only a removal the user asks for under that very
// picture takes it).
bool NeverRemovedByKeepAll(const CollectedRun& run, int index);

}  // namespace morvane
