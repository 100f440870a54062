// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Replacing a duplicate by a link to the copy that stays: a hard link on the same file system,
// or a symbolic link holding the kept file's absolute path. A link throws the duplicate's own
// bytes away, so only a byte-for-byte copy of the kept file is ever replaced.
#include <optional>
#include <string>

#include "files/disposal_result.h"
#include "files/file_identity.h"

namespace morvane {

// The file a group keeps, with its stamp from the comparison; what a link leads to.
struct KeptFile {
    std::string Path;
    std::optional<FileStamp> Stamp;
};

enum class LinkKind { Hard, Symbolic };

// What ReplaceByLink would meet, changing nothing: removed when the link may take the place of
// `path`, else the reason it may not (Changed, KeptChanged, OtherFileSystem, NotIdentical).
DisposalResult CheckLink(const std::string& path, const FileStamp& compared, const KeptFile& kept,
                         LinkKind kind);

// Replaces the file `compared` describes, found at `path`, by a link to `kept`, when CheckLink
// allows it. The link is made under a temporary name in the same folder and swapped in with
// one rename, after both files are checked again; a failure removes the temporary link and
// leaves everything else as it was. The kept file is checked on its device, inode, size and
// modification time only: the links made to it move its change time and link count on.
DisposalResult ReplaceByLink(const std::string& path, const FileStamp& compared,
                             const KeptFile& kept, LinkKind kind);

}  // namespace morvane
