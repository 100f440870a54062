// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/link.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>  // renameat2, RENAME_EXCHANGE
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "files/move.h"
#include "files/unique_fd.h"

namespace morvane {

namespace {

constexpr std::int64_t kCompareBlock = 1 << 16;
constexpr int kNameAttempts = 16;

DisposalResult Failed(DisposalProblem problem, int error = 0) {
    return DisposalFailed(problem, error);
}

bool ReadAt(int fd, char* data, std::int64_t count, std::int64_t offset) {
    while (count > 0) {
        const ssize_t got = ::pread(fd, data, static_cast<std::size_t>(count), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        count -= got;
        offset += got;
    }
    return true;
}

bool SameBytes(int first, int second, std::int64_t size) {
    std::vector<char> a(kCompareBlock), b(kCompareBlock);
    for (std::int64_t offset = 0; offset < size; offset += kCompareBlock) {
        const std::int64_t count = std::min(kCompareBlock, size - offset);
        if (!ReadAt(first, a.data(), count, offset) || !ReadAt(second, b.data(), count, offset) ||
            std::memcmp(a.data(), b.data(), static_cast<std::size_t>(count)) != 0)
            return false;
    }
    return true;
}

// Both files open, each shown by its descriptor to be the file compared.
struct Opened {
    UniqueFd Member;
    UniqueFd Kept;
    struct stat KeptInfo {};
};

bool KeptStill(const struct stat& info, const FileStamp& stamp) {
    return S_ISREG(info.st_mode) && SameAfterRename(StampOfStatus(info), stamp);
}

// The checks a link relies on, read through descriptors so that the bytes compared are those
// of the files stamped. removed = true when they pass; {} for two names of one file.
DisposalResult Prepare(const std::string& path, const FileStamp& compared, const KeptFile& kept,
                       LinkKind kind, Opened& opened) {
    if (!kept.Stamp) return Failed(DisposalProblem::KeptChanged);
    opened.Member = UniqueFd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat member {};
    if (!opened.Member.Valid() || ::fstat(opened.Member.Get(), &member) != 0 ||
        !S_ISREG(member.st_mode) || StampOfStatus(member) != compared)
        return Failed(DisposalProblem::Changed);
    opened.Kept = UniqueFd(::open(kept.Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!opened.Kept.Valid() || ::fstat(opened.Kept.Get(), &opened.KeptInfo) != 0 ||
        !KeptStill(opened.KeptInfo, *kept.Stamp))
        return Failed(DisposalProblem::KeptChanged);
    if (IdentityOfStatus(member) == IdentityOfStatus(opened.KeptInfo)) return {};
    if (kind == LinkKind::Hard && member.st_dev != opened.KeptInfo.st_dev)
        return Failed(DisposalProblem::OtherFileSystem);
    if (member.st_size != opened.KeptInfo.st_size ||
        !SameBytes(opened.Member.Get(), opened.Kept.Get(), member.st_size))
        return Failed(DisposalProblem::NotIdentical);
    return {.removed = true};
}

// A hard link is made from the descriptor, so it leads to the very file compared whatever lies
// at the kept name by now (by name only where /proc is missing; checked afterwards anyway).
int MakeLink(LinkKind kind, const Opened& opened, const KeptFile& kept, const std::string& temp) {
    if (kind == LinkKind::Symbolic) {
        const std::string target = std::filesystem::absolute(kept.Path).lexically_normal().string();
        return ::symlink(target.c_str(), temp.c_str()) == 0 ? 0 : errno;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(opened.Kept.Get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    if (errno != ENOENT) return errno;
    return ::link(kept.Path.c_str(), temp.c_str()) == 0 ? 0 : errno;
}

// A hidden name in the member's folder, free when the link was made there; "" when none was.
std::string LinkUnderTemporaryName(LinkKind kind, const Opened& opened, const KeptFile& kept,
                                   const std::string& path, int& error) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> letter('a', 'z');
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string temp = FolderHolding(path) + ".morvane-link-";
        for (int i = 0; i < 8; ++i) temp += static_cast<char>(letter(random));
        error = MakeLink(kind, opened, kept, temp);
        if (error == 0) return temp;
        if (error != EEXIST) return "";
    }
    return "";
}

// The temporary name leads to the kept file, which is still the one compared, and the member
// is still at its place: all that must hold when the swap happens.
bool StillAsChecked(const std::string& path, const FileStamp& compared, const Opened& opened,
                    const KeptFile& kept, const std::string& temp) {
    struct stat now {
    }, linked{};
    return OwnStampIfSame(path, compared) && ::fstat(opened.Kept.Get(), &now) == 0 &&
           KeptStill(now, *kept.Stamp) && ::stat(temp.c_str(), &linked) == 0 &&
           IdentityOfStatus(linked) == IdentityOfStatus(now);
}

// Puts the link in place. Where the file system can swap two names, the member is swapped out
// and looked at once more under the temporary name: a file put at its place in the last
// instant is swapped back untouched. Elsewhere a plain rename replaces it, and a file swapped
// in between the last check and that rename would be lost with it.
DisposalResult SwapIn(const std::string& path, const FileStamp& compared, const std::string& temp) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) != 0) {
        int error = errno;
        if (error == EINVAL || error == ENOSYS || error == ENOTSUP)
            error = ::rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
        if (error == 0) return {.removed = true};
        ::unlink(temp.c_str());
        return Failed(DisposalProblem::LinkFailed, error);
    }
    const auto old = OwnStampOfPath(temp);
    if (!old || !SameAfterRename(*old, compared)) {
        // Back as it was; should that fail, the stranger keeps the temporary name, not lost.
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0)
            ::unlink(temp.c_str());
        return Failed(DisposalProblem::Changed);
    }
    if (::unlink(temp.c_str()) != 0) {
        DisposalResult result = Failed(DisposalProblem::CannotRemove, errno);
        result.removed = true;
        result.where = temp;
        return result;
    }
    return {.removed = true};
}

}  // namespace

DisposalResult CheckLink(const std::string& path, const FileStamp& compared, const KeptFile& kept,
                         LinkKind kind) {
    Opened opened;
    return Prepare(path, compared, kept, kind, opened);
}

DisposalResult ReplaceByLink(const std::string& path, const FileStamp& compared,
                             const KeptFile& kept, LinkKind kind) {
    Opened opened;
    if (DisposalResult checked = Prepare(path, compared, kept, kind, opened); !checked.removed)
        return checked;
    int error = 0;
    const std::string temp = LinkUnderTemporaryName(kind, opened, kept, path, error);
    if (temp.empty()) return Failed(DisposalProblem::LinkFailed, error);
    if (!StillAsChecked(path, compared, opened, kept, temp)) {
        ::unlink(temp.c_str());
        return Failed(OwnStampIfSame(path, compared) ? DisposalProblem::KeptChanged
                                                     : DisposalProblem::Changed);
    }
    return SwapIn(path, compared, temp);
}

}  // namespace morvane
