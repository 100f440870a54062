// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own folder, where the run log and the default list live: the folder of the
// executable, or the per-user data folder when the program cannot write there (installed
// system-wide).
#include <string>

namespace morvane {

// The folder holding the running executable, ending with the separator.
std::string ExecutableFolder();
// Whether `executableFolder` (ending with the separator) is the "bin" folder of an installed
// copy: one with share/doc/morvane beside it.
bool InstalledProgram(const std::string& executableFolder);
// ExecutableFolder() when writable and not an installed copy's, else the per-user data folder
// (created on demand).
std::string ProgramFolder();

}  // namespace morvane
