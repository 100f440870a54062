// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/move.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "files/no_replace.h"
#include "files/paths.h"
#include "files/unique_fd.h"

namespace morvane {

namespace {

constexpr int kMaxNumber = 9999;
constexpr std::size_t kCopyBlock = 1 << 20;

DisposalResult Failed(DisposalProblem problem) {
    return DisposalFailed(problem);
}
DisposalResult Failed(int error) {
    return DisposalFailed(DisposalProblem::MoveFailed, error);
}
DisposalResult MovedTo(const std::string& target) {
    return {true, DisposalProblem::None, 0, {}, target};
}

int WriteAll(int fd, const char* data, std::size_t count) {
    while (count > 0) {
        const ssize_t done = ::write(fd, data, count);
        if (done < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += done;
        count -= static_cast<std::size_t>(done);
    }
    return 0;
}

// Copies every byte, keeps the mode and the times, and flushes the data to the disk.
int CopyContents(int from, int to, const struct stat& info) {
    std::vector<char> buffer(kCopyBlock);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) break;
        if (const int error = WriteAll(to, buffer.data(), static_cast<std::size_t>(got)))
            return error;
    }
    ::fchmod(to, info.st_mode & 07777);
    const timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(to, times);
    return ::fsync(to) == 0 ? 0 : errno;
}

// The copy's name must survive a power cut before the original may go.
void FlushFolder(const std::string& prefix) {
    const UniqueFd folder(::open(prefix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) ::fsync(folder.Get());
}

// An unnamed file in the folder gets a name only once complete, so a broken copy never
// shows up there, not even after a crash. Not every file system offers it.
UniqueFd OpenUnnamed(const std::string& prefix) {
    if (::access("/proc/self/fd", F_OK) != 0) return UniqueFd();
    return UniqueFd(::open(prefix.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
}

DisposalResult CopyUnnamed(int in, const struct stat& info, UniqueFd out, const std::string& prefix,
                           const std::string& name) {
    if (const int error = CopyContents(in, out.Get(), info)) return Failed(error);
    const std::string self = "/proc/self/fd/" + std::to_string(out.Get());
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::string target = prefix + NumberedName(name, number);
        // Linking fails on a taken name, so nothing already there is replaced.
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) continue;
            return Failed(errno);
        }
        if (out.Close()) return MovedTo(target);
        const int error = errno;
        ::unlink(target.c_str());
        return Failed(error);
    }
    return Failed(DisposalProblem::NoFreeName);
}

// Gives the complete copy at `staged` the first free numbered name, never replacing.
DisposalResult NameStaged(const std::string& staged, const std::string& prefix,
                          const std::string& name) {
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::string target = prefix + NumberedName(name, number);
        const int error = RenameNoReplace(staged, target);
        if (error == 0) return MovedTo(target);
        if (error != EEXIST) return Failed(error);
    }
    return Failed(DisposalProblem::NoFreeName);
}

// Without unnamed files the copy is made under a hidden name that says what it is, so a copy
// cut short (even by a killed process) never carries a picture's name.
DisposalResult CopyNamed(int in, const struct stat& info, const std::string& prefix,
                         const std::string& name) {
    std::string staged = prefix + ".morvane-partial-copy-XXXXXX";
    UniqueFd out(::mkostemp(staged.data(), O_CLOEXEC));
    if (!out.Valid()) return Failed(errno);
    int error = CopyContents(in, out.Get(), info);
    if (error == 0 && !out.Close()) error = errno;
    DisposalResult result = error == 0 ? NameStaged(staged, prefix, name) : Failed(error);
    if (!result.removed) ::unlink(staged.c_str());
    return result;
}

DisposalResult CopyAcross(const std::string& source, const std::string& prefix,
                          const std::string& name, const FileStamp& expected, CopyStaging staging) {
    const UniqueFd in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    // A link is not copied: its target would be duplicated and the link lost.
    if (!in.Valid() && errno == ELOOP) return Failed(DisposalProblem::NotRegularFile);
    if (!in.Valid()) return Failed(errno);
    struct stat info {};
    if (::fstat(in.Get(), &info) != 0) return Failed(errno);
    if (!S_ISREG(info.st_mode)) return Failed(DisposalProblem::NotRegularFile);
    // The bytes copied are read from the very file that was compared.
    if (StampOfStatus(info) != expected) return Failed(DisposalProblem::Changed);
    UniqueFd unnamed =
        staging == CopyStaging::UnnamedWhenOffered ? OpenUnnamed(prefix) : UniqueFd();
    DisposalResult result = unnamed.Valid()
                                ? CopyUnnamed(in.Get(), info, std::move(unnamed), prefix, name)
                                : CopyNamed(in.Get(), info, prefix, name);
    if (!result.removed) return result;
    FlushFolder(prefix);
    // Rewritten while copied, or another file put at its name: the copy is not of what would go.
    const bool same = OwnStampIfSame(source, expected).has_value();
    if (!same || ::unlink(source.c_str()) != 0) {
        // Both copies would otherwise stay; the original is the one to keep.
        const int error = errno;
        ::unlink(result.where.c_str());
        return same ? Failed(error) : Failed(DisposalProblem::Changed);
    }
    return result;
}

// A rename moves whatever lies at the name by then: a file swapped in since the check goes back.
DisposalResult ConfirmRenamed(const std::string& source, const std::string& target,
                              const FileStamp& own) {
    const auto moved = OwnStampOfPath(target);
    if (moved && SameAfterRename(*moved, own)) return MovedTo(target);
    RenameNoReplace(target, source);
    return Failed(DisposalProblem::Changed);
}

}  // namespace

std::string MoveFolderPrefix(const std::string& folder) {
    const std::string stripped = StripTrailingBackslash(folder);
    if (!stripped.empty()) return stripped + kSeparator;
    return PathExists(folder, true) ? std::string(1, kSeparator) : std::string();
}

std::string FolderHolding(const std::string& path) {
    const auto slash = path.rfind(kSeparator);
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool SameFile(const std::string& a, const std::string& b) {
    const auto first = IdentityOfPath(a);
    return first && first == IdentityOfPath(b);
}

bool CreateFolderPath(const std::string& path) {
    if (PathExists(path, true)) return true;
    const std::string folder = StripTrailingBackslash(path);
    if (folder.empty()) return false;
    // Level by level; a level that exists already just fails to be made again.
    for (auto slash = folder.find(kSeparator, 1);; slash = folder.find(kSeparator, slash + 1)) {
        ::mkdir(folder.substr(0, slash).c_str(), 0777);
        if (slash == std::string::npos) break;
    }
    return PathExists(folder, true);
}

std::string NumberedName(const std::string& name, int number) {
    if (number <= 1) return name;
    const std::string suffix = " (" + std::to_string(number) + ")";
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

DisposalResult MoveIntoFolder(const std::string& source, const std::string& folder,
                              const FileStamp& expected, CopyStaging staging) {
    const std::string prefix = MoveFolderPrefix(folder);
    if (prefix.empty()) return Failed(DisposalProblem::NoMoveFolder);
    if (!CreateFolderPath(prefix)) {
        DisposalResult result = Failed(DisposalProblem::CannotMakeFolder);
        result.where = prefix;
        return result;
    }
    const std::string sourceFolder = FolderHolding(source);
    const std::string name = source.substr(sourceFolder == "." ? 0 : sourceFolder.size());
    if (SameFile(sourceFolder, prefix)) return Failed(DisposalProblem::AlreadyInFolder);
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::string target = prefix + NumberedName(name, number);
        // Checked before every attempt: minutes may have passed since the comparison.
        const auto own = OwnStampIfSame(source, expected);
        if (!own) return Failed(DisposalProblem::Changed);
        const int error = RenameNoReplace(source, target);
        if (error == 0) return ConfirmRenamed(source, target, *own);
        if (error == EXDEV) return CopyAcross(source, prefix, name, expected, staging);
        if (error != EEXIST) return Failed(error);
    }
    return Failed(DisposalProblem::NoFreeName);
}

}  // namespace morvane
