// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The removals of one run, the same for the window and the command line: the way the front
// end chooses at each removal, the move folder, the dry run, the journal for undo, the
// account of what went, and the message the user is to read.
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/disposal.h"
#include "files/journal.h"
#include "review/review.h"

namespace morvane {

// What a front end is asked and shows while the run removes files.
class RunFrontEnd : public ReviewFrontEnd {
  public:
    // Read at every removal: the window's boxes may change in between.
    virtual DisposalWay ChosenDisposalWay() const = 0;
    // A message the user must read, such as why a file stayed.
    virtual void Tell(const std::string& message) = 0;
};

struct Removal {
    std::string Path;
    std::int64_t Size = 0;
    bool Removed = false;      // in a dry run: the file is there to be removed
    std::string MovedTo = {};  // where a moved file now lies (empty in a dry run)
};

class Disposer : public ReviewDisposal {
  public:
    // A dry run removes nothing and writes no journal: it tells what the real run would meet.
    Disposer(std::string moveFolder, bool dryRun, RunFrontEnd& frontEnd)
        : moveFolder_(std::move(moveFolder)), dryRun_(dryRun), frontEnd_(frontEnd) {}

    bool Dispose(const std::string& path, const std::optional<FileStamp>& compared,
                 const KeptFile& kept) override;
    void KeptFileChanged(const std::string& path) override;
    void ReferenceKept(const std::string& path) override;

    const std::vector<Removal>& Removals() const { return removals_; }
    // Removed, but their bytes not overwritten: other names hold them, or they refused writing.
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
    void Count(const Removal& removal, DisposalWay way, const struct stat& before,
               const DisposalResult& result, bool lastName);

    const std::string moveFolder_;
    const bool dryRun_;
    RunFrontEnd& frontEnd_;
    RemovalJournal journal_{JournalFolder()};  // made at the run's first removal
    std::vector<Removal> removals_;
    // A dry run's removed names by file, to tell when the last name of a content would go.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint64_t> pretendUnlinks_;
    int notWiped_ = 0;
    int notIdentical_ = 0;
    std::int64_t freedBytes_ = 0;
    std::int64_t movedBytes_ = 0;
};

}  // namespace morvane
