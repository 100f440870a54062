// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which file a name or an open descriptor stands for, and what tells one content of it from
// another without reading it.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace morvane {

// Two names are one file when they lead, through any links, to the same device and inode.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity with the size and both times. The change time catches a rewrite whose
// modification time was set back; the inode catches a file replaced by renaming.
struct FileStamp {
    FileIdentity File;
    std::int64_t Size = 0;
    std::int64_t ModifiedNs = 0;
    std::int64_t ChangedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// A file system clock may tick once in 2 s (FAT) or 1 s (ext4 with small inodes): content
// replaced within one tick keeps the stamp. A stamp proves its content only when both of its
// times were older, when it was taken, than that (a second more for the kernel's coarse clock).
inline constexpr std::int64_t kSettleNs = 3'000'000'000;
inline bool SettledBy(const FileStamp& stamp, std::int64_t momentNs) {
    return stamp.ModifiedNs < momentNs - kSettleNs && stamp.ChangedNs < momentNs - kSettleNs;
}
std::int64_t WallClockNs();

FileIdentity IdentityOfStatus(const struct stat& info);
FileStamp StampOfStatus(const struct stat& info);

// Links followed; nothing when the name leads to no file.
std::optional<FileIdentity> IdentityOfPath(const std::string& path);
// Links followed; nothing when the name leads to no regular file or cannot be asked.
std::optional<FileStamp> StampOfPath(const std::string& path);
// What lies at `path` itself, a link not followed; nothing when there is nothing.
std::optional<FileStamp> OwnStampOfPath(const std::string& path);
// Same file, size and modification time: all a rename leaves of a stamp, since renaming
// moves the change time on.
bool SameAfterRename(const FileStamp& now, const FileStamp& before);
// The stamp of what lies at `path` itself (a link not followed), provided `path` still leads
// to the file `expected` describes; nothing otherwise.
std::optional<FileStamp> OwnStampIfSame(const std::string& path, const FileStamp& expected);

}  // namespace morvane
