// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/unique_fd.h"

namespace morvane {

WholeFile ReadWholeFile(const std::string& path, std::size_t minSize,
                        const std::function<bool(const std::uint8_t* head)>& wanted,
                        std::size_t maxSize) {
    // O_NONBLOCK: a pipe put in a picture's place is turned away, not waited on.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size < static_cast<off_t>(minSize) ||
        static_cast<std::size_t>(info.st_size) > maxSize)
        return {};
    std::uint8_t head[kHeadBytes] = {};
    const auto headSize = static_cast<ssize_t>(std::min<off_t>(info.st_size, kHeadBytes));
    if (::pread(fd.Get(), head, headSize, 0) != headSize || !wanted(head)) return {};
    const auto size = static_cast<std::size_t>(info.st_size);
    WholeFile file{std::make_unique_for_overwrite<std::uint8_t[]>(size), 0};
    while (file.size < size) {
        const ssize_t got = ::pread(fd.Get(), file.data.get() + file.size, size - file.size,
                                    static_cast<off_t>(file.size));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return {};
        file.size += static_cast<std::size_t>(got);
    }
    return file;
}

}  // namespace morvane
