// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wiping a file: renamed to a random name in its own folder (which proves that the name can
// go), its bytes overwritten in several passes, each pass flushed to the disk, then removed. On
// copy-on-write file systems and flash disks old blocks may still survive elsewhere on the device;
// overwriting in place is all a program can do there.
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>

#include "files/disposal_result.h"
#include "files/file_identity.h"

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

// The whole wipe of the file `expected` describes, found at `path`: renamed to a random name
// (never replacing; when that fails nothing is overwritten: CannotRename), checked again on
// its descriptor, overwritten exactly over its length, and removed. Any other file found at
// either name is left alone (Changed), under the name it had. A file that only refuses
// writing is still removed, unwiped (CannotOpen or CannotOverwrite with `removed`); links and
// files with other names are removed without overwriting. The file never stays under the
// random name: when it cannot be removed it gets its own name back.
DisposalResult WipeAndRemove(const std::string& path, const FileStamp& expected,
                             const WipeObserver& observer = {});

}  // namespace morvane
