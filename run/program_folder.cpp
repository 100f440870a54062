// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/program_folder.h"

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

bool InstalledProgram(const std::string& executableFolder) {
    // An installed program's folder is a system "bin" with its documentation beside it; root
    // may write there, but the package manager owns it.
    const std::filesystem::path folder = std::filesystem::path(executableFolder).parent_path();
    std::error_code error;
    return folder.filename() == "bin" &&
           std::filesystem::exists(folder.parent_path() / "share/doc/morvane", error);
}

std::string ProgramFolder() {
    const std::string folder = ExecutableFolder();
    if (!InstalledProgram(folder) && ::access(folder.c_str(), W_OK) == 0) return folder;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::homePath() + "/.local/share/morvane";
    QDir().mkpath(data);
    return AddTrailingBackslash(data.toStdString());
}

}  // namespace morvane
