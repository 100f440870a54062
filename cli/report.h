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

// The summary lines; in a dry run first one line per file that would go: path, tab, way.
std::string TextReport(const Options& options, const Summary& summary,
                       const std::vector<Removal>& removals);

// The groups (table indices, head first), the removals and the summary; UTF-8. A path
// that is not valid UTF-8 is shown with U+FFFD in "path" and kept exactly in "path_bytes".
std::string JsonReport(const Options& options, const CollectedRun& run,
                       const std::vector<std::vector<int>>& groups, const Summary& summary,
                       const std::vector<Removal>& removals);

}  // namespace morvane::cli
