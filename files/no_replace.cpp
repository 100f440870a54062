// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/no_replace.h"

#include <cerrno>
#include <cstdio>  // renameat2, RENAME_NOREPLACE

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

namespace {

// For file systems without RENAME_NOREPLACE: link() fails on an existing name just as
// atomically; the old name is dropped once the new one holds the file.
int LinkThenUnlink(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        return error;
    }
    return 0;
}

}  // namespace

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP) return error;
    const int linked = LinkThenUnlink(from, to);
    if (linked != EPERM && linked != ENOTSUP && linked != ENOSYS) return linked;
    // Neither atomic way exists here (FAT, some network shares): look first. The window for a
    // race is as small as this file system allows.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace morvane
