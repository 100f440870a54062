// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run of morvane-cli tells: the counts as text, or everything as one JSON document.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/front_end.h"
#include "cli/options.h"
#include "imaging/picture_table.h"

namespace morvane::cli {

struct Summary {
    std::size_t Files = 0;
    int Readable = 0;
    int Groups = 0;
    int Duplicates = 0;
    int LongPathsSkipped = 0;  // files and folders whose paths are too long to open
    // Only with --keep.
    int Removed = 0;
    std::int64_t FreedBytes = 0;
    std::int64_t MovedBytes = 0;  // removed without giving space back
    int NotWiped = 0;
    int NotIdentical = 0;  // left in place: not byte for byte the kept file a link leads to
    int FailedRemovals = 0;
};

// A group as the reports show it: table indices, head first, and for each member whether it
// holds the head's very bytes (the head itself does).
struct ReportedGroup {
    std::vector<int> Members;
    std::vector<bool> Identical;
};

// Compares each member with the head, sizes first, then bytes; call it before anything of the
// group is removed. In the identical mode every member already is.
ReportedGroup MarkIdentical(const CollectedRun& run, const std::vector<int>& members,
                            ComparisonMode mode);

// The summary lines; in a dry run first one line per file that would go: path, tab, way.
std::string TextReport(const Options& options, const Summary& summary,
                       const std::vector<Removal>& removals);

// The groups, the removals and the summary; UTF-8. A path that is not valid UTF-8 is shown
// with U+FFFD in "path" and kept exactly in "path_bytes".
std::string JsonReport(const Options& options, const CollectedRun& run,
                       const std::vector<ReportedGroup>& groups, const Summary& summary,
                       const std::vector<Removal>& removals);

}  // namespace morvane::cli
