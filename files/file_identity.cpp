#include "files/file_identity.h"

namespace morvane {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

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

}  // namespace morvane
