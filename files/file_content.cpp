// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_content.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "files/unique_fd.h"

namespace morvane {
namespace {

// Large reads: the files are read once from end to end.
constexpr std::size_t kChunk = std::size_t{1} << 20;

bool MatchesStamp(int fd, const FileStamp& stamp) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && StampOfStatus(info) == stamp;
}

// Without blocking: a pipe put in the file's place must not hang the run.
UniqueFd OpenStamped(const std::string& path, const FileStamp& stamp) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid() || !MatchesStamp(fd.Get(), stamp)) return {};
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

// Fills `buffer` up to `size` bytes; fewer only at the end of the file, -1 on an error.
std::int64_t ReadFull(int fd, char* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}

struct XxhState {
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
};

}  // namespace

std::optional<ContentHash> HashFileContent(const std::string& path, const FileStamp& stamp) {
    const UniqueFd fd = OpenStamped(path, stamp);
    const std::unique_ptr<XXH3_state_t, XxhState> state(XXH3_createState());
    if (!fd.Valid() || !state || XXH3_128bits_reset(state.get()) != XXH_OK) return std::nullopt;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
    std::int64_t total = 0;
    for (;;) {
        const std::int64_t got = ReadFull(fd.Get(), buffer.get(), kChunk);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        XXH3_128bits_update(state.get(), buffer.get(), static_cast<std::size_t>(got));
        total += got;
    }
    // Grown, cut or rewritten while it was read: the hash is of no one content.
    if (total != stamp.Size || !MatchesStamp(fd.Get(), stamp)) return std::nullopt;
    const XXH128_hash_t hash = XXH3_128bits_digest(state.get());
    return ContentHash{hash.low64, hash.high64};
}

bool SameFileContent(const std::string& a, const FileStamp& stampA, const std::string& b,
                     const FileStamp& stampB) {
    if (stampA.Size != stampB.Size) return false;
    const UniqueFd fdA = OpenStamped(a, stampA);
    const UniqueFd fdB = OpenStamped(b, stampB);
    if (!fdA.Valid() || !fdB.Valid()) return false;
    const auto bufferA = std::make_unique_for_overwrite<char[]>(kChunk);
    const auto bufferB = std::make_unique_for_overwrite<char[]>(kChunk);
    std::int64_t total = 0;
    for (;;) {
        const std::int64_t gotA = ReadFull(fdA.Get(), bufferA.get(), kChunk);
        const std::int64_t gotB = ReadFull(fdB.Get(), bufferB.get(), kChunk);
        if (gotA < 0 || gotA != gotB ||
            std::memcmp(bufferA.get(), bufferB.get(), static_cast<std::size_t>(gotA)) != 0)
            return false;
        if (gotA == 0) break;
        total += gotA;
    }
    return total == stampA.Size && MatchesStamp(fdA.Get(), stampA) &&
           MatchesStamp(fdB.Get(), stampB);
}

}  // namespace morvane
