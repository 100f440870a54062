// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Path and text helpers shared by the whole program. Paths are byte strings as the
// file system gives them; the separator is the platform's ("/" here).
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

inline constexpr char kSeparator = '/';

// Outer spaces and every trailing separator removed.
std::string StripTrailingBackslash(std::string_view path);
// One separator appended unless the path is empty or already ends with one.
std::string AddTrailingBackslash(std::string_view path);
// A bare drive such as "C:" (only meaningful where drives exist).
bool IsDriveSpec(std::string_view path);
// True when the path names an existing folder (wantFolder) or an existing non-folder.
bool PathExists(std::string_view path, bool wantFolder);
std::string AppendNul(std::string_view text);
std::string TrimAtNul(std::string_view text);
// Up to and including the last separator; "" when there is none.
std::string FolderOfPath(std::string_view path);

template <typename T>
int UpperIndex(const std::vector<T>& items) {
    return static_cast<int>(items.size()) - 1;
}

}  // namespace morvane
