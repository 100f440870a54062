#include "cli/report.h"

#include <sstream>

#include "compare/identical_scanner.h"
#include "review/output_files.h"

namespace morvane::cli {

ReportedGroup MarkIdentical(const CollectedRun& run, const std::vector<int>& members,
                            ComparisonMode mode) {
    ReportedGroup group{members, {}};
    for (const int index : members)
        group.Identical.push_back(mode == ComparisonMode::Identical || index == members.front() ||
                                  SameBytes(run, members.front(), index));
    return group;
}

std::string TextReport(const Options& options, const Summary& summary,
                       const std::vector<Removal>& removals) {
    std::ostringstream out;
    const std::string way = DisposalText(options);
    // One line per file whatever its name holds, as in the list: a line break in a name
    // must not make a script read another file's name.
    if (options.DryRun)
        for (const Removal& removal : removals)
            if (removal.Removed) out << OneLine(removal.Path + "\t" + way) << "\n";
    out << "Файлов: " << summary.Files << "\n"
        << "Прочитано картинок: " << summary.Readable << "\n"
        << "Групп: " << summary.Groups << "\n"
        << "Дубликатов: " << summary.Duplicates << "\n";
    if (summary.LongPathsSkipped > 0)
        out << "Пропущено длинных путей: " << summary.LongPathsSkipped << "\n";
    if (!options.Keep) return out.str();
    const char* will = options.DryRun ? "Будет у" : "У";
    out << will << "далено файлов: " << summary.Removed << "\n"
        << (options.DryRun ? "Будет освобождено байт: " : "Освобождено байт: ")
        << summary.FreedBytes << "\n"
        << (options.DryRun ? "Будет перенесено байт: " : "Перенесено байт: ") << summary.MovedBytes
        << "\n";
    // Removed as asked, but the content stays under the file's other names.
    if (options.Dispose == DisposalWay::Wipe)
        out << will << "далено без затирания: " << summary.NotWiped << "\n";
    if (options.Dispose == DisposalWay::HardLink || options.Dispose == DisposalWay::SymLink)
        out << "Не совпадают побайтно, оставлено: " << summary.NotIdentical << "\n";
    if (summary.FailedRemovals > 0) out << "Не удалось удалить: " << summary.FailedRemovals << "\n";
    return out.str();
}

}  // namespace morvane::cli
