#include "files/trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include "files/no_replace.h"

namespace morvane {

namespace {

const QString kFiles = QStringLiteral("files");
const QString kInfo = QStringLiteral("info");

// With no trash folder to be had, Qt takes the current folder for one (making "files" and
// "info" in it) and still reports success, with a relative path. Everything goes back.
void UndoTrashInCurrentFolder(const QString& target, const std::string& path, bool hadFiles,
                              bool hadInfo) {
    RenameNoReplace(QFile::encodeName(target).toStdString(), path);
    QFile::remove(kInfo + QLatin1Char('/') + QFileInfo(target).fileName() +
                  QStringLiteral(".trashinfo"));
    if (!hadFiles) QDir().rmdir(kFiles);
    if (!hadInfo) QDir().rmdir(kInfo);
}

}  // namespace

bool MoveToTrash(const std::string& path, std::string& inTrash) {
    // A new account may lack the data folder that holds the home trash.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    const bool hadFiles = QFileInfo::exists(kFiles);
    const bool hadInfo = QFileInfo::exists(kInfo);
    QString target;
    if (!QFile::moveToTrash(QFile::decodeName(path.c_str()), &target)) {
        // Qt may have made empty "files" and "info" folders here before giving up.
        if (!hadFiles) QDir().rmdir(kFiles);
        if (!hadInfo) QDir().rmdir(kInfo);
        return false;
    }
    if (QDir::isRelativePath(target)) {
        UndoTrashInCurrentFolder(target, path, hadFiles, hadInfo);
        return false;
    }
    inTrash = QFile::encodeName(target).toStdString();
    return true;
}

}  // namespace morvane
