// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The greedy grouping in the "identical" mode: files holding the same bytes, whatever they
// are, with nothing decoded. Only files of one size above 0 can match; only those are read,
// once, to hash them on worker threads. Each valid file in table order heads a group of the
// later files of its size and hash whose bytes equal its own (read again and compared, so a
// hash collision never groups different files), at similarity 100.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "compare/grouping.h"
#include "files/file_content.h"

namespace morvane {

// Whether the files of records `a` and `b` hold the same bytes: sizes first, then the bytes,
// each read through a descriptor that is still the file its stamp describes.
bool SameBytes(const CollectedRun& run, int a, int b);

class IdenticalScanner : public HeadByHeadScanner {
  public:
    using Hasher = std::function<std::optional<ContentHash>(const std::string&, const FileStamp&)>;

    // Hashes on `threads` threads (0: one per core). A file that cannot be read whole leaves
    // the comparison. A file whose stamp was taken too soon after its last change to tell a
    // same-size rewrite gets its hash as its ContentCheck, for the removal to read it again.
    IdenticalScanner(CollectedRun& run, int threads = 0, Hasher hasher = HashFileContent);

  private:
    std::vector<int> FilesOfSharedSize() const;
    void Classify(const std::vector<int>& files,
                  const std::vector<std::optional<ContentHash>>& hashes);
    Group ScanHead(int head) override;

    CollectedRun& run_;
    std::vector<std::vector<int>> classes_;  // table indices of one size and hash, ascending
    std::vector<int> classOf_;               // table index -> class, -1 when in none
};

}  // namespace morvane
