#pragma once
// Wiping a file: its bytes overwritten in several passes, each pass flushed to the disk, then
// the file renamed to a random name in its own folder and removed. On copy-on-write file
// systems and flash disks old blocks may still survive elsewhere on the device; overwriting in
// place is all a program can do there.
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>

#include "files/disposal_result.h"

namespace morvane {

inline constexpr int kWipePasses = 3;
inline constexpr std::int64_t kWipeBlock = 1048576;
inline constexpr std::int64_t kEmptyFileBlock = 2048;

// Sees each block as it is written: the pass (from 1), the offset in the file, the bytes.
using WipeObserver =
    std::function<void(int pass, std::int64_t offset, std::span<const std::uint8_t> bytes)>;

// The byte written by pass `pass` (from 1) of `passes`; no value for a pass of random bytes.
std::optional<std::uint8_t> PassByte(int pass, int passes);
// 1 MiB, or the file's size when smaller; 2048 for an empty file.
std::int64_t WipeBlockSize(std::int64_t size);
// Writes (or reads) the whole buffer at `offset`; returns the bytes transferred, fewer on a
// failure or, when reading, at the end of the file.
std::int64_t TransferBlock(std::int64_t offset, int fd, std::span<std::uint8_t> buffer, bool write);

// A generator seeded from the time of day (and the system's entropy).
std::mt19937 TimeSeededGenerator();
// 39 capital letters with "." at the 33rd place.
std::string RandomFileName(std::mt19937& random);
// Renames the file to a RandomFileName in its own folder, never over an existing file;
// returns the new path, or `path` when the rename failed.
std::string RenameToRandom(const std::string& path, std::mt19937& random);
bool RemoveFile(const std::string& path);
// Gives the owner the right to write, so that a read-only file can be wiped.
bool ClearReadOnly(const std::string& path);

enum class WipeStatus {
    Overwritten,     // every byte overwritten in every pass (nothing to do for an empty file)
    NotOverwritten,  // a link or a special file: left as is
    OtherNames,      // a file with other (hard-linked) names, whose content is theirs too: left
                     // as is
    NoFile,
    CannotOpen,
    WriteFailed,
};

// Overwrites exactly the file's bytes, pass after pass; the file keeps its length.
WipeStatus WipeFile(const std::string& path, std::mt19937& random,
                    const WipeObserver& observer = {});

// The whole wipe: WipeFile, RenameToRandom, RemoveFile. The rename and the removal are tried
// even when the file could not be overwritten.
DisposalResult WipeAndRemove(const std::string& path, const WipeObserver& observer = {});

}  // namespace morvane
