// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record of one collected picture and the table of them, index-parallel to the
// list of collected paths.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/file_identity.h"
#include "imaging/fingerprint.h"

namespace morvane {

struct Dubl {
    // 1 while the picture has a complete fingerprint and is not yet in a group.
    std::uint8_t Valid = 0;
    // Similarity in percent of the latest match recorded for this picture.
    std::uint8_t Similarity = 0;
    // Bytes; -1 when the file could not be found. 64-bit so large files keep their size.
    std::int64_t FileSize = 0;
    std::int32_t PicWidth = 0;
    std::int32_t PicHeight = 0;
    std::int32_t BitDepth = 0;
    // The file as it was when its fingerprint was made (taken before reading it): a removal
    // checks it first, so a file changed or replaced since is never taken for this picture.
    std::optional<FileStamp> Stamp = std::nullopt;
    morvane::Fingerprint Fingerprint;
    // Set when the stamp was taken within a clock tick of the file's last change, so that it
    // cannot tell a rewrite of the same size in that tick: a removal then reads the picture
    // again and compares this digest of its cells.
    std::optional<std::uint64_t> ContentCheck = std::nullopt;
};

using PicTable = std::vector<Dubl>;

// Takes a read picture's fingerprint and sizes into its record; a picture that was not read
// leaves the record as it was.
inline void TakeFingerprint(Dubl& record, std::optional<PictureFingerprint> made) {
    if (!made) return;
    record.Fingerprint = std::move(made->Cells);
    record.PicWidth = made->Width;
    record.PicHeight = made->Height;
    record.BitDepth = made->BitDepth;
}

// One folder of a run: its path (ending with the separator) and whether its pictures are
// references, compared like the others but never removed.
struct CollectedFolder {
    std::string Root;
    bool Reference = false;
};

// What a run collected: the first search folder (ending with the separator), the paths in
// walk order, each relative to its own folder, and one record per path. With several folders,
// `FolderOf` names each file's folder; when it is empty every file lies under SearchRoot.
struct CollectedRun {
    std::string SearchRoot;
    std::vector<std::string> FileList;
    morvane::PicTable PicTable;
    // Set when nothing was decoded: a ContentCheck then digests the file's bytes (its content
    // hash's low half), not the picture's cells.
    bool BytesChecked = false;
    std::vector<CollectedFolder> Folders = {};
    std::vector<int> FolderOf = {};

    int LastFile() const { return static_cast<int>(FileList.size()) - 1; }
    const std::string& RootOf(int index) const {
        return FolderOf.empty() ? SearchRoot : Folders[FolderOf[index]].Root;
    }
    std::string FullPath(int index) const { return RootOf(index) + FileList[index]; }
    bool IsReference(int index) const {
        return !FolderOf.empty() && Folders[FolderOf[index]].Reference;
    }
    // A group of reference pictures only: nothing of it may go, so it is not reported.
    bool OnlyReferences(const std::vector<int>& members) const {
        return std::all_of(members.begin(), members.end(),
                           [this](int index) { return IsReference(index); });
    }
};

}  // namespace morvane
