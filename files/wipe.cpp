#include "files/wipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <utility>
#include <vector>

#include "files/no_replace.h"
#include "files/paths.h"
#include "files/unique_fd.h"

namespace morvane {

namespace {

constexpr int kRandomNameLength = 39;
constexpr int kRandomNameDot = 32;  // 0-based
constexpr int kRenameAttempts = 8;

// Later rules override earlier ones.
constexpr std::array<std::pair<int, std::uint8_t>, 7> kPassRules{
    {{2, 0xAA}, {3, 0x6D}, {4, 0xDB}, {5, 0x55}, {6, 0x92}, {7, 0x49}, {8, 0xFF}}};

void FillPass(std::span<std::uint8_t> buffer, std::optional<std::uint8_t> byte,
              std::mt19937& random) {
    if (byte) {
        std::fill(buffer.begin(), buffer.end(), *byte);
        return;
    }
    // Never 0, so a random pass cannot be mistaken for the final one.
    std::uniform_int_distribution<int> draw(1, 255);
    for (auto& value : buffer) value = static_cast<std::uint8_t>(draw(random));
}

bool WritePass(int fd, int pass, std::int64_t size, std::span<std::uint8_t> buffer,
               const WipeObserver& observer) {
    const auto block = static_cast<std::int64_t>(buffer.size());
    for (std::int64_t offset = 0; offset < size; offset += block) {
        const auto bytes = buffer.first(static_cast<std::size_t>(std::min(block, size - offset)));
        if (TransferBlock(offset, fd, bytes, true) != static_cast<std::int64_t>(bytes.size()))
            return false;
        if (observer) observer(pass, offset, bytes);
    }
    // Otherwise the page cache merges the passes and only the last one reaches the disk.
    return ::fdatasync(fd) == 0;
}

// Overwriting a link would wipe its target, and content shared with another name belongs to
// that name too (a kept copy, perhaps); such files are only removed.
std::optional<WipeStatus> WhyNotOverwritten(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return WipeStatus::NotOverwritten;
    if (info.st_nlink > 1) return WipeStatus::OtherNames;
    return std::nullopt;
}

// Which file a name stands for; another file put at the name is a different identity.
std::optional<std::pair<dev_t, ino_t>> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return std::pair{info.st_dev, info.st_ino};
}

}  // namespace

std::optional<std::uint8_t> PassByte(int pass, int passes) {
    if (pass == passes) return std::uint8_t{0x00};
    std::optional<std::uint8_t> byte;
    for (const auto& [divisor, value] : kPassRules)
        if (pass % divisor == 0) byte = value;
    return byte;
}

std::int64_t WipeBlockSize(std::int64_t size) {
    const std::int64_t block = std::min(kWipeBlock, size);
    return block > 0 ? block : kEmptyFileBlock;
}

std::int64_t TransferBlock(std::int64_t offset, int fd, std::span<std::uint8_t> buffer,
                           bool write) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        std::uint8_t* const at = buffer.data() + done;
        const std::size_t left = buffer.size() - done;
        const off_t where = static_cast<off_t>(offset + static_cast<std::int64_t>(done));
        const ssize_t step = write ? ::pwrite(fd, at, left, where) : ::pread(fd, at, left, where);
        if (step < 0 && errno == EINTR) continue;
        if (step <= 0) break;
        done += static_cast<std::size_t>(step);
    }
    return static_cast<std::int64_t>(done);
}

std::mt19937 TimeSeededGenerator() {
    std::random_device device;
    const auto now =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
                       device(), device()};
    return std::mt19937(seed);
}

std::string RandomFileName(std::mt19937& random) {
    std::uniform_int_distribution<int> letter(0, 25);
    std::string name(kRandomNameLength, 'A');
    for (auto& c : name) c = static_cast<char>('A' + letter(random));
    name[kRandomNameDot] = '.';
    return name;
}

std::string RenameToRandom(const std::string& path, std::mt19937& random) {
    const std::string folder = FolderOfPath(StripTrailingBackslash(path));
    for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
        const std::string target = folder + RandomFileName(random);
        const int error = RenameNoReplace(path, target);
        if (error == 0) return target;
        if (error != EEXIST) break;
    }
    return path;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool ClearReadOnly(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

WipeStatus WipeFile(const std::string& path, std::mt19937& random, const WipeObserver& observer) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return WipeStatus::NoFile;
    if (const auto why = WhyNotOverwritten(info)) return *why;
    ClearReadOnly(path);
    // O_NONBLOCK: a pipe put in the file's place must not hang the wipe.
    const auto identity = std::pair{info.st_dev, info.st_ino};
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) return WipeStatus::CannotOpen;
    // Another file put at the name since it was looked at is not the one to overwrite.
    if (std::pair{info.st_dev, info.st_ino} != identity) return WipeStatus::CannotOpen;
    if (const auto why = WhyNotOverwritten(info)) return *why;
    // Exactly the file's bytes: writing past the end would only add bytes to wipe. So an empty
    // file has nothing to overwrite, and its passes write nothing.
    const std::int64_t size = info.st_size;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size > 0 ? WipeBlockSize(size) : 0));
    for (int pass = 1; pass <= kWipePasses; ++pass) {
        FillPass(buffer, PassByte(pass, kWipePasses), random);
        if (!WritePass(fd.Get(), pass, size, buffer, observer)) return WipeStatus::WriteFailed;
    }
    return fd.Close() ? WipeStatus::Overwritten : WipeStatus::WriteFailed;
}

DisposalResult WipeAndRemove(const std::string& path, const WipeObserver& observer) {
    std::mt19937 random = TimeSeededGenerator();
    const auto identity = IdentityOf(path);
    DisposalResult result;
    switch (WipeFile(path, random, observer)) {
        case WipeStatus::NoFile:
            return result;
        case WipeStatus::CannotOpen:
            result.problem = DisposalProblem::CannotOpen;
            break;
        case WipeStatus::WriteFailed:
            result.problem = DisposalProblem::CannotOverwrite;
            break;
        case WipeStatus::OtherNames:
            result.problem = DisposalProblem::ContentKept;
            break;
        case WipeStatus::Overwritten:
        case WipeStatus::NotOverwritten:
            break;
    }
    // Tried even when the file refused writing: it may still go, unwiped; a locked one stays.
    const std::string renamed = RenameToRandom(path, random);
    if (IdentityOf(renamed) != identity) {
        // The file went, or another took its name, while it was being wiped: that one was not
        // chosen for removal, so it gets its name back and stays.
        if (renamed != path) RenameNoReplace(renamed, path);
        return DisposalFailed(DisposalProblem::CannotRemove);
    }
    result.removed = RemoveFile(renamed);
    if (!result.removed && result.problem == DisposalProblem::ContentKept)
        result.problem = DisposalProblem::None;
    if (!result.removed && result.problem == DisposalProblem::None) {
        result.problem = DisposalProblem::CannotRemove;
        if (renamed != path) result.where = renamed;
    }
    return result;
}

}  // namespace morvane
