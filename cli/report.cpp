// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/report.h"

#include <QCoreApplication>
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
    const auto line = [&out](const char* text, auto value) {
        out << QCoreApplication::translate("Cli", text).toStdString() << value << "\n";
    };
    line(QT_TRANSLATE_NOOP("Cli", "Файлов: "), summary.Files);
    line(QT_TRANSLATE_NOOP("Cli", "Прочитано картинок: "), summary.Readable);
    line(QT_TRANSLATE_NOOP("Cli", "Групп: "), summary.Groups);
    line(QT_TRANSLATE_NOOP("Cli", "Дубликатов: "), summary.Duplicates);
    if (summary.LongPathsSkipped > 0)
        line(QT_TRANSLATE_NOOP("Cli", "Пропущено длинных путей: "), summary.LongPathsSkipped);
    if (!options.Keep) return out.str();
    const bool dry = options.DryRun;
    line(dry ? QT_TRANSLATE_NOOP("Cli", "Будет удалено файлов: ")
             : QT_TRANSLATE_NOOP("Cli", "Удалено файлов: "),
         summary.Removed);
    line(dry ? QT_TRANSLATE_NOOP("Cli", "Будет освобождено байт: ")
             : QT_TRANSLATE_NOOP("Cli", "Освобождено байт: "),
         summary.FreedBytes);
    line(dry ? QT_TRANSLATE_NOOP("Cli", "Будет перенесено байт: ")
             : QT_TRANSLATE_NOOP("Cli", "Перенесено байт: "),
         summary.MovedBytes);
    // Removed as asked, but the content stays under the file's other names.
    if (options.Dispose == DisposalWay::Wipe)
        line(dry ? QT_TRANSLATE_NOOP("Cli", "Будет удалено без затирания: ")
                 : QT_TRANSLATE_NOOP("Cli", "Удалено без затирания: "),
             summary.NotWiped);
    if (options.Dispose == DisposalWay::HardLink || options.Dispose == DisposalWay::SymLink)
        line(QT_TRANSLATE_NOOP("Cli", "Не совпадают побайтно, оставлено: "), summary.NotIdentical);
    if (summary.FailedRemovals > 0)
        line(QT_TRANSLATE_NOOP("Cli", "Не удалось удалить: "), summary.FailedRemovals);
    return out.str();
}

}  // namespace morvane::cli
