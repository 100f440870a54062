// SPDX-License-Identifier: GPL-3.0-or-later
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/report.h"

namespace morvane::cli {
namespace {

// Names on Linux are bytes; JSON text is Unicode. Bytes that are not UTF-8 get a display
// form and, beside it, the bytes themselves, so that scripts can rebuild the exact name.
void AddPath(QJsonObject& object, const QString& key, const std::string& path) {
    const QByteArray bytes = QByteArray::fromStdString(path);
    const QString text = QString::fromUtf8(bytes);
    object[key] = text;
    if (text.toUtf8() == bytes) return;
    QJsonArray raw;
    for (const char byte : path) raw.append(static_cast<unsigned char>(byte));
    object[key + "_bytes"] = raw;
}

QJsonObject Member(const CollectedRun& run, int index, bool identical) {
    const Dubl& record = run.PicTable[index];
    QJsonObject member;
    AddPath(member, "path", run.FullPath(index));
    member["size"] = static_cast<qint64>(record.FileSize);
    member["width"] = record.PicWidth;
    member["height"] = record.PicHeight;
    member["depth"] = record.BitDepth;
    member["similarity"] = record.Similarity;
    member["identical"] = identical;
    if (run.IsReference(index)) member["reference"] = true;
    return member;
}

QJsonArray Removals(const Options& options, const std::vector<Removal>& removals) {
    QJsonArray list;
    const QString way = QString::fromStdString(DisposalText(options));
    for (const Removal& removal : removals) {
        QJsonObject item;
        AddPath(item, "path", removal.Path);
        item["size"] = static_cast<qint64>(removal.Size);
        item["way"] = way;
        item["removed"] = removal.Removed;
        if (!removal.MovedTo.empty()) AddPath(item, "moved_to", removal.MovedTo);
        list.append(item);
    }
    return list;
}

QJsonObject Counts(const Options& options, const Summary& summary) {
    QJsonObject counts{{"files", static_cast<qint64>(summary.Files)},
                       {"readable", summary.Readable},
                       {"groups", summary.Groups},
                       {"duplicates", summary.Duplicates},
                       {"long_paths_skipped", summary.LongPathsSkipped}};
    if (options.Keep) {
        counts["removed"] = summary.Removed;
        counts["freed_bytes"] = static_cast<qint64>(summary.FreedBytes);
        counts["moved_bytes"] = static_cast<qint64>(summary.MovedBytes);
        counts["not_wiped"] = summary.NotWiped;
        counts["not_identical"] = summary.NotIdentical;
        counts["failed_removals"] = summary.FailedRemovals;
    }
    return counts;
}

}  // namespace

std::string JsonReport(const Options& options, const CollectedRun& run,
                       const std::vector<ReportedGroup>& groups, const Summary& summary,
                       const std::vector<Removal>& removals) {
    QJsonArray groupList;
    for (const ReportedGroup& reported : groups) {
        QJsonArray group;
        for (std::size_t i = 0; i < reported.Members.size(); ++i)
            group.append(Member(run, reported.Members[i], reported.Identical[i]));
        groupList.append(group);
    }
    QJsonObject document;
    AddPath(document, "folder", run.SearchRoot);
    if (!run.Folders.empty()) {
        QJsonArray folders;  // all of them, in table order, references first
        for (const CollectedFolder& folder : run.Folders) {
            QJsonObject item;
            AddPath(item, "path", folder.Root);
            item["reference"] = folder.Reference;
            folders.append(item);
        }
        document["folders"] = folders;
    }
    document["groups"] = groupList;
    if (options.Keep) {
        document["keep"] = QString::fromStdString(KeepRulesText(*options.Keep));
        document["dry_run"] = options.DryRun;
        document["removals"] = Removals(options, removals);
    }
    document["summary"] = Counts(options, summary);
    return QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace morvane::cli
