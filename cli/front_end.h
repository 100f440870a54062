#pragma once
// The review's window side, reduced to what a terminal needs: no pictures, no decisions,
// only the removals of the keep-one pass, done or (in a dry run) just recorded.
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "cli/progress.h"
#include "files/journal.h"
#include "review/review.h"

namespace morvane::cli {

struct Removal {
    std::string Path;
    std::int64_t Size = 0;
    bool Removed = false;  // in a dry run: the file is there to be removed
    std::string MovedTo;   // where a moved file now lies (empty in a dry run)
};

class QuietFrontEnd : public ReviewFrontEnd {
  public:
    QuietFrontEnd(Progress& progress, int total, const Options& options)
        : progress_(progress), total_(total), options_(options) {}
    void ShowSlot(int, const SlotPicture&) override {}
    void ClearSlots() override {}
    void DuplicateCountChanged(int) override {}
    void ProcessedChanged(int processed) override { progress_.Comparing(processed, total_); }
    bool DisposeFile(const std::string& path, const std::optional<FileStamp>& compared,
                     const KeptFile& kept) override;
    void KeptFileChanged(const std::string& path) override;

    const std::vector<Removal>& Removals() const { return removals_; }
    int NotWiped() const { return notWiped_; }
    // Left in place because they are not byte for byte the file a link would lead to.
    int NotIdentical() const { return notIdentical_; }
    // Disk space given back on the removed files' own file systems.
    std::int64_t FreedBytes() const { return freedBytes_; }
    // Removed from their place without giving space back: links, the trash, moves within a
    // file system (and content other names keep, moved to another one).
    std::int64_t MovedBytes() const { return movedBytes_; }

  private:
    bool LastName(const struct stat& before);
    void Count(const Removal& removal, const struct stat& before, const DisposalResult& result,
               bool lastName);

    Progress& progress_;
    int total_;
    const Options& options_;
    std::vector<Removal> removals_;
    // A dry run's removed names by file, to tell when the last name of a content would go.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint64_t> pretendUnlinks_;
    RemovalJournal journal_{JournalFolder()};
    int notWiped_ = 0;
    int notIdentical_ = 0;
    std::int64_t freedBytes_ = 0;
    std::int64_t movedBytes_ = 0;
};

// "move:DIR", "trash" or "wipe", as given on the command line.
std::string DisposalText(const Options& options);

}  // namespace morvane::cli
