// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/csv_report.h"

#include <csv.h>

namespace morvane::cli {
namespace {

const char* Flag(bool value) {
    return value ? "true" : "false";
}

}  // namespace

bool WriteCsvReport(std::FILE* out, const CollectedRun& run,
                    const std::vector<ReportedGroup>& groups,
                    const std::optional<KeepRules>& keep) {
    std::fputs("group,path,size,width,height,depth,similarity,identical,kept\r\n", out);
    for (std::size_t number = 0; number < groups.size(); ++number) {
        const ReportedGroup& group = groups[number];
        const int chosen = keep ? KeptMember(group.Members, run, *keep) : -1;
        const int kept = chosen >= 0 ? chosen : group.Members.front();
        for (std::size_t i = 0; i < group.Members.size(); ++i) {
            const int index = group.Members[i];
            const Dubl& record = run.PicTable[index];
            const std::string path = run.FullPath(index);
            std::fprintf(out, "%zu,", number + 1);
            csv_fwrite(out, path.data(), path.size());
            std::fprintf(out, ",%lld,%d,%d,%d,%d,%s,%s\r\n",
                         static_cast<long long>(record.FileSize), record.PicWidth, record.PicHeight,
                         record.BitDepth, int{record.Similarity}, Flag(group.Identical[i]),
                         Flag(index == kept));
        }
    }
    return std::fflush(out) == 0 && !std::ferror(out);
}

}  // namespace morvane::cli
