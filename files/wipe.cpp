// SPDX-License-Identifier: GPL-3.0-or-later
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
// that name too (a kept copy, perhaps); such files are only removed, the latter with a word.
std::optional<DisposalProblem> WhyNotOverwritten(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return DisposalProblem::None;
    if (info.st_nlink > 1) return DisposalProblem::ContentKept;
    return std::nullopt;
}

// Gives a renamed file its own name back, never replacing, unless told it is done with.
class NameBack {
  public:
    NameBack(std::string renamed, std::string original)
        : renamed_(std::move(renamed)), original_(std::move(original)) {}
    ~NameBack() { Restore(); }
    NameBack(const NameBack&) = delete;
    NameBack& operator=(const NameBack&) = delete;
    bool Restore() {
        if (done_) return true;
        done_ = true;
        return RenameNoReplace(renamed_, original_) == 0;
    }
    void Dismiss() { done_ = true; }

  private:
    std::string renamed_;
    std::string original_;
    bool done_ = false;
};

// Overwrites the file at `renamed`, the one `own` describes, pass after pass.
DisposalProblem Overwrite(const std::string& renamed, const FileStamp& own, std::mt19937& random,
                          const WipeObserver& observer) {
    ClearReadOnly(renamed);
    // O_NONBLOCK: a pipe put in the file's place must not hang the wipe.
    UniqueFd fd(::open(renamed.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) return DisposalProblem::CannotOpen;
    // The bytes overwritten are those of the file compared: checked on the descriptor itself.
    if (!SameAfterRename(StampOfStatus(info), own)) return DisposalProblem::Changed;
    if (const auto why = WhyNotOverwritten(info)) return *why;
    // Exactly the file's bytes: writing past the end would only add bytes to wipe. So an empty
    // file has nothing to overwrite, and its passes write nothing.
    const std::int64_t size = info.st_size;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size > 0 ? WipeBlockSize(size) : 0));
    for (int pass = 1; pass <= kWipePasses; ++pass) {
        FillPass(buffer, PassByte(pass, kWipePasses), random);
        if (!WritePass(fd.Get(), pass, size, buffer, observer))
            return DisposalProblem::CannotOverwrite;
    }
    return fd.Close() ? DisposalProblem::None : DisposalProblem::CannotOverwrite;
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

DisposalResult WipeAndRemove(const std::string& path, const FileStamp& expected,
                             const WipeObserver& observer) {
    if (!OwnStampOfPath(path)) return {};
    const auto own = OwnStampIfSame(path, expected);
    if (!own) return DisposalFailed(DisposalProblem::Changed);
    // Renamed before anything is written: a name that cannot go (a locked folder, an
    // immutable file) leaves the picture untouched.
    std::mt19937 random = TimeSeededGenerator();
    const std::string renamed = RenameToRandom(path, random);
    if (renamed == path) return DisposalFailed(DisposalProblem::CannotRename);
    NameBack nameBack(renamed, path);
    struct stat info {};
    if (::lstat(renamed.c_str(), &info) != 0 || !SameAfterRename(StampOfStatus(info), *own))
        return DisposalFailed(DisposalProblem::Changed);
    DisposalResult result;
    const auto why = WhyNotOverwritten(info);
    result.problem = why ? *why : Overwrite(renamed, *own, random, observer);
    if (result.problem == DisposalProblem::Changed) return result;
    // Only the file wiped goes; another put at the random name meanwhile is not ours to move.
    const auto last = OwnStampOfPath(renamed);
    if (!last || last->File != own->File) {
        nameBack.Dismiss();
        return DisposalFailed(DisposalProblem::Changed);
    }
    if (!RemoveFile(renamed)) {
        result = DisposalFailed(DisposalProblem::CannotRemove, errno);
        if (!nameBack.Restore()) result.where = renamed;
        return result;
    }
    nameBack.Dismiss();
    result.removed = true;
    return result;
}

}  // namespace morvane
