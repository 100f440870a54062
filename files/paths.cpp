// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/paths.h"

#include <sys/stat.h>

namespace morvane {

std::string StripTrailingBackslash(std::string_view path) {
    const auto first = path.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    path = path.substr(first, path.find_last_not_of(' ') - first + 1);
    while (!path.empty() && path.back() == kSeparator) path.remove_suffix(1);
    return std::string(path);
}

std::string AddTrailingBackslash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && result.back() != kSeparator) result += kSeparator;
    return result;
}

bool IsDriveSpec(std::string_view path) {
    return path.size() == 2 && path[1] == ':';
}

bool PathExists(std::string_view path, bool wantFolder) {
    constexpr char kRootChars[] = {' ', kSeparator, '\0'};
    // Stripping every separator turns the root folder into ""; it still exists.
    const bool rootOnly = path.find(kSeparator) != std::string_view::npos &&
                          path.find_first_not_of(kRootChars) == std::string_view::npos;
    const std::string target = rootOnly ? std::string(1, kSeparator) : StripTrailingBackslash(path);
    struct stat info {};
    if (target.empty() || ::stat(target.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) == wantFolder;
}

std::string AppendNul(std::string_view text) {
    std::string result(text);
    result += '\0';
    return result;
}

std::string TrimAtNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

// Only the platform's separator splits: on Linux a backslash is an ordinary character of a name.
std::string FolderOfPath(std::string_view path) {
    const auto last = path.rfind(kSeparator);
    if (last == std::string_view::npos) return {};
    return std::string(path.substr(0, last + 1));
}

}  // namespace morvane
