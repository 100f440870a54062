// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/disposal_check.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/gio_handles.h"
#include "files/move.h"
#include "files/paths.h"

namespace morvane {

namespace {

DisposalResult WouldGo() {
    return {.removed = true};
}
DisposalResult MoveFails(int error) {
    return DisposalFailed(DisposalProblem::MoveFailed, error);
}

// 0 when a name owned by `owner` may be added to or removed from the folder, else the errno
// the system would give. access() answers for read-only mounts and immutable folders even to
// the superuser, who alone passes over the rights and the sticky bit.
int EntriesError(const std::string& folder, uid_t owner) {
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return errno;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return errno;
    const uid_t self = ::geteuid();
    const bool sticky = (info.st_mode & S_ISVTX) != 0;
    return sticky && self != 0 && self != owner && self != info.st_uid ? EPERM : 0;
}

// The folder itself when it exists, else its nearest existing level; nothing when a level is
// not a folder or cannot be looked into.
std::optional<std::string> NearestExisting(const std::string& prefix) {
    std::string level = StripTrailingBackslash(prefix);
    while (!level.empty()) {
        struct stat info {};
        if (::stat(level.c_str(), &info) == 0)
            return S_ISDIR(info.st_mode) ? std::optional(level) : std::nullopt;
        if (errno != ENOENT) return std::nullopt;
        const auto slash = level.rfind(kSeparator);
        if (slash == std::string::npos) return ".";
        level = StripTrailingBackslash(level.substr(0, slash));
    }
    return std::string(1, kSeparator);
}

// In place, a rename; onto another file system, a copy there and then an unlink here.
DisposalResult CheckMove(const std::string& path, const struct stat& name,
                         const std::string& moveFolder) {
    const std::string prefix = MoveFolderPrefix(moveFolder);
    if (prefix.empty()) return DisposalFailed(DisposalProblem::NoMoveFolder);
    const bool exists = PathExists(prefix, true);
    const auto base = exists ? std::optional(prefix) : NearestExisting(prefix);
    struct stat folder {};
    if (!base || ::stat(base->c_str(), &folder) != 0 ||
        (!exists && EntriesError(*base, ::geteuid()) != 0)) {
        DisposalResult result = DisposalFailed(DisposalProblem::CannotMakeFolder);
        result.where = prefix;
        return result;
    }
    const std::string source = FolderHolding(path);
    if (exists && SameFile(source, prefix)) return DisposalFailed(DisposalProblem::AlreadyInFolder);
    const int sourceError = EntriesError(source, name.st_uid);
    // A folder the move makes is its own to write in.
    const int targetError = exists ? EntriesError(prefix, ::geteuid()) : 0;
    if (folder.st_dev == name.st_dev) {
        if (sourceError != 0 || targetError != 0)
            return MoveFails(sourceError != 0 ? sourceError : targetError);
        return WouldGo();
    }
    if (!S_ISREG(name.st_mode)) return DisposalFailed(DisposalProblem::NotRegularFile);
    if (::access(path.c_str(), R_OK) != 0) return MoveFails(errno);
    if (targetError != 0) return MoveFails(targetError);
    struct statvfs space {};
    if (::statvfs(base->c_str(), &space) == 0 &&
        static_cast<std::uint64_t>(name.st_size) > space.f_bavail * space.f_frsize)
        return MoveFails(ENOSPC);
    return sourceError != 0 ? MoveFails(sourceError) : WouldGo();
}

DisposalResult CheckTrash(const std::string& path) {
    // The trash moves the name itself, a link included.
    const GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    GError* failure = nullptr;
    const GObjectPtr<GFileInfo> info(
        g_file_query_info(file.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH,
                          G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, &failure));
    const GErrorPtr error(failure);
    if (info && g_file_info_get_attribute_boolean(info.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH))
        return WouldGo();
    DisposalResult result = DisposalFailed(DisposalProblem::TrashFailed);
    result.detail = error ? error->message : "Trashing is not supported for this file";
    return result;
}

// The name goes first (renamed at random), so a name that cannot go leaves the file untouched;
// then a regular file is overwritten (the owner may first give itself the right to write) and
// removed, written or not; a link is only removed.
DisposalResult CheckWipe(const std::string& path, const struct stat& name) {
    if (EntriesError(FolderHolding(path), name.st_uid) != 0)
        return DisposalFailed(DisposalProblem::CannotRename);
    DisposalResult result{.removed = true};
    // Content shared with another name is left as it is, before any attempt to open it.
    if (S_ISREG(name.st_mode) && name.st_nlink > 1) {
        result.problem = DisposalProblem::ContentKept;
    } else if (S_ISREG(name.st_mode)) {
        const bool writable =
            ::access(path.c_str(), W_OK) == 0 || (errno == EACCES && name.st_uid == ::geteuid());
        if (!writable) result.problem = DisposalProblem::CannotOpen;
    }
    return result;
}

// The link takes the file's name, which the folder must let go.
DisposalResult CheckLinking(const std::string& path, const struct stat& name,
                            const FileStamp& compared, const KeptFile& kept, LinkKind kind) {
    if (const int error = EntriesError(FolderHolding(path), name.st_uid))
        return DisposalFailed(DisposalProblem::LinkFailed, error);
    return CheckLink(path, compared, kept, kind);
}

}  // namespace

DisposalResult CheckDisposal(const std::string& path, DisposalWay way,
                             const std::string& moveFolder,
                             const std::optional<FileStamp>& compared, const KeptFile& kept) {
    struct stat target {};
    if (way == DisposalWay::None || path.empty() || ::stat(path.c_str(), &target) != 0 ||
        S_ISDIR(target.st_mode))
        return {};
    if (!compared || StampOfPath(path) != compared) return DisposalFailed(DisposalProblem::Changed);
    struct stat name {};
    if (::lstat(path.c_str(), &name) != 0) return {};
    // An immutable file's name cannot go, whatever its folder allows: the system says so to
    // anyone asking to write it, the superuser too.
    if (S_ISREG(name.st_mode) && ::access(path.c_str(), W_OK) != 0 && errno == EPERM) {
        if (way == DisposalWay::Wipe) return DisposalFailed(DisposalProblem::CannotRename);
        if (way == DisposalWay::MoveToFolder) return MoveFails(EPERM);
        if (way == DisposalWay::HardLink || way == DisposalWay::SymLink)
            return DisposalFailed(DisposalProblem::LinkFailed, EPERM);
        DisposalResult result = DisposalFailed(DisposalProblem::TrashFailed);
        result.detail = std::strerror(EPERM);
        return result;
    }
    switch (way) {
        case DisposalWay::MoveToFolder:
            return CheckMove(path, name, moveFolder);
        case DisposalWay::Trash:
            return CheckTrash(path);
        case DisposalWay::Wipe:
            return CheckWipe(path, name);
        case DisposalWay::HardLink:
        case DisposalWay::SymLink:
            return CheckLinking(path, name, *compared, kept,
                                way == DisposalWay::HardLink ? LinkKind::Hard : LinkKind::Symbolic);
        case DisposalWay::None:
            break;
    }
    return {};
}

std::optional<dev_t> DeviceOfMoveFolder(const std::string& folder) {
    const auto base = NearestExisting(MoveFolderPrefix(folder));
    struct stat info {};
    if (!base || ::stat(base->c_str(), &info) != 0) return std::nullopt;
    return info.st_dev;
}

}  // namespace morvane
