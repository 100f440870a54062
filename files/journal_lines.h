// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal's names and the way it keeps a path: as text when it is valid UTF-8, else
// exactly, as its bytes under the key with "_bytes" added.
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <string>

namespace morvane {

inline constexpr const char* kJournalPrefix = "removals-";
inline constexpr const char* kJournalSuffix = ".jsonl";

inline void PutPath(QJsonObject& line, const QString& key, const std::string& path) {
    const QString text = QString::fromStdString(path);
    if (text.toStdString() == path) {
        line[key] = text;
        return;
    }
    QJsonArray bytes;
    for (const char byte : path) bytes.append(static_cast<unsigned char>(byte));
    line[key + "_bytes"] = bytes;
}

inline std::string GetPath(const QJsonObject& line, const QString& key) {
    if (!line.contains(key + "_bytes")) return line[key].toString().toStdString();
    std::string path;
    for (const auto& byte : line[key + "_bytes"].toArray()) path += static_cast<char>(byte.toInt());
    return path;
}

}  // namespace morvane
