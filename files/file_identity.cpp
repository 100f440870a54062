// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_identity.h"

#include <chrono>

namespace morvane {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

std::int64_t WallClockNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

FileIdentity IdentityOfStatus(const struct stat& info) {
    return {info.st_dev, info.st_ino};
}

FileStamp StampOfStatus(const struct stat& info) {
    return {IdentityOfStatus(info), info.st_size, Nanoseconds(info.st_mtim),
            Nanoseconds(info.st_ctim)};
}

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return IdentityOfStatus(info);
}

std::optional<FileStamp> StampOfPath(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return StampOfStatus(info);
}

std::optional<FileStamp> OwnStampOfPath(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return StampOfStatus(info);
}

std::optional<FileStamp> OwnStampIfSame(const std::string& path, const FileStamp& expected) {
    struct stat info {};
    if (path.empty() || ::lstat(path.c_str(), &info) != 0) return std::nullopt;
    const FileStamp own = StampOfStatus(info);
    const bool same = S_ISREG(info.st_mode) ? own == expected : StampOfPath(path) == expected;
    return same ? std::optional(own) : std::nullopt;
}

bool SameAfterRename(const FileStamp& now, const FileStamp& before) {
    return now.File == before.File && now.Size == before.Size &&
           now.ModifiedNs == before.ModifiedNs;
}

}  // namespace morvane
