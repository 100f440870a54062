#include "engine/program_folder.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <filesystem>

#include "files/paths.h"

namespace morvane {

std::string ExecutableFolder() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return AddTrailingBackslash(std::filesystem::current_path(error).string());
    return AddTrailingBackslash(executable.parent_path().string());
}

std::string ProgramFolder() {
    const std::string folder = ExecutableFolder();
    if (::access(folder.c_str(), W_OK) == 0) return folder;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::homePath() + "/.local/share/morvane";
    QDir().mkpath(data);
    return AddTrailingBackslash(data.toStdString());
}

}  // namespace morvane
