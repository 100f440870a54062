#pragma once
// Which file a name or an open descriptor stands for: two names are one file when they lead,
// through any links, to the same device and inode.
#include <sys/types.h>

#include <optional>
#include <string>

namespace morvane {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Links followed; nothing when the name leads to no file.
std::optional<FileIdentity> IdentityOfPath(const std::string& path);

}  // namespace morvane
