// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The groups as CSV for spreadsheets and scripts: one row per member.
#include <cstdio>
#include <optional>
#include <vector>

#include "cli/report.h"
#include "review/keep_rules.h"

namespace morvane::cli {

// A header row, then per member: group (from 1), path, size, width, height, depth,
// similarity, identical, kept (the member a keep-one pass keeps by the rules --keep gave;
// without them, the head). RFC 4180: CR LF rows, the path always quoted and written
// byte for byte, UTF-8 or not. False when `out` could not take it all.
bool WriteCsvReport(std::FILE* out, const CollectedRun& run,
                    const std::vector<ReportedGroup>& groups, const std::optional<KeepRules>& keep);

}  // namespace morvane::cli
