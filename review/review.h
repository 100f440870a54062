// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The review of the groups: writes each group to the log and the list, shows its pictures
// two at a time through the front end and applies the user's decisions. It is a state
// machine driven by the front end: Resume() runs until a decision or more scan steps are
// needed; Decide() applies a decision; nothing here sleeps or waits.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "compare/grouping.h"
#include "files/link.h"
#include "imaging/picture_table.h"
#include "review/keep_rules.h"
#include "review/output_files.h"

namespace morvane {

// The decision buttons, by index.
enum class ReviewDecision {
    DeleteLeft = 0,
    DeleteAllLarger = 1,  // keep the smallest file of every group
    DeleteRight = 2,
    DeleteAllSmaller = 3,  // keep the largest file of every group
    SkipPair = 4,
    SkipAll = 5,
};

// What a slot shows: the full path, the relative path, FormatSize of the size, and
// width x height x depth.
struct SlotPicture {
    std::string FullPath;
    std::string RelativePath;
    std::string SizeText;
    std::string DimensionsText;
    bool Reference = false;  // never removed: a reference folder's picture
};

class ReviewFrontEnd {
  public:
    virtual ~ReviewFrontEnd() = default;
    // Slot 0 is the left, 1 the right one; the slot's earlier picture is replaced.
    virtual void ShowSlot(int slot, const SlotPicture& picture) = 0;
    // End of a group: both pictures and their labels cleared.
    virtual void ClearSlots() = 0;
    virtual void DuplicateCountChanged(int duplicateCount) = 0;
    virtual void ProcessedChanged(int processed) = 0;
};

// Where the review sends the files that are to go; the run's disposer.
class ReviewDisposal {
  public:
    virtual ~ReviewDisposal() = default;
    // Removes the file, only while it is still the file that was compared (`compared`, taken
    // when its fingerprint was made); true when the file is gone. `kept` is the file that
    // stays in its place: the one a keep-one pass keeps, or the other picture of the pair.
    virtual bool Dispose(const std::string& fullPath, const std::optional<FileStamp>& compared,
                         const KeptFile& kept) = 0;
    // The file a keep-one pass was to keep changed or went after the comparison, so nothing of
    // its group was removed.
    virtual void KeptFileChanged(const std::string& fullPath) = 0;
    // A delete was pressed under a reference picture, which is never removed.
    virtual void ReferenceKept(const std::string& /*fullPath*/) {}
};

// How the review goes on: with the user pair by pair, past every pair, or keeping only the
// largest (or the smallest, or the one the keep rules choose) file of every group, with no
// more questions.
enum class ReviewMode { PairByPair, SkipAll, KeepLargest, KeepSmallest, KeepByRules };

enum class ReviewState {
    NeedsStep,         // feed the next scan step (or EndOfScan) and Resume again
    AwaitingDecision,  // both slots are full: call Decide
    Finished,          // every group done; the output files are still open
    Stopped,           // Stop() was called
    WriteFailed,       // a line could not be written: see FailedPath(); files closed
};

class Review {
  public:
    // The run, the files, the front end and the disposal must outlive the review. The files
    // are open.
    Review(const CollectedRun& run, OutputFiles& files, ReviewFrontEnd& frontEnd,
           ReviewDisposal& disposal);

    void AddStep(ScanStep step);
    void EndOfScan();
    ReviewState Resume();
    // Applies a decision when one is allowed (a pair on display, no skip-all or keep-one
    // mode); returns whether it acted. Call Resume() afterwards.
    bool Decide(ReviewDecision decision);
    // Ends the review: nothing more is written, shown or removed; the files are closed.
    void Stop();
    // A front end may leave PairByPair before the first group, as the matching buttons would.
    void SetMode(ReviewMode mode) { mode_ = mode; }
    // Keeps the file the rules choose in every group from now on.
    void SetKeepRules(KeepRules rules) {
        rules_ = std::move(rules);
        mode_ = ReviewMode::KeepByRules;
    }

    ReviewState State() const { return state_; }
    bool AwaitingDecision() const { return state_ == ReviewState::AwaitingDecision; }
    const std::string& LeftPath() const { return leftPath_; }
    const std::string& RightPath() const { return rightPath_; }
    ReviewMode Mode() const { return mode_; }
    const std::optional<std::string>& FailedPath() const { return failedPath_; }

    int GroupCount() const { return groupCount_; }
    int DuplicateCount() const { return duplicateCount_; }
    int RemovedCount() const { return removedCount_; }
    std::int64_t RemovedBytes() const { return removedBytes_; }
    int FailedRemovals() const { return failedRemovals_; }
    // Groups of a keep-one pass left whole because their kept file changed.
    int KeptChanged() const { return keptChanged_; }

  private:
    bool BeginStep();
    bool WriteMember(int index);
    void ShowMember(int index);
    void EndGroup();
    bool Keeping() const;
    KeepRules RulesOfMode() const;
    void KeepOnePass();
    bool Dispose(int index, const KeptFile& kept);
    KeptFile Opposite(int index) const;
    std::optional<FileStamp> StampIfUnchanged(int index) const;
    bool Write(OutputFile& file, const std::string& line);

    const CollectedRun& run_;
    OutputFiles& files_;
    ReviewFrontEnd& frontEnd_;
    ReviewDisposal& disposal_;

    std::deque<ScanStep> steps_;
    bool scanEnded_ = false;
    std::optional<ScanStep> current_;
    std::size_t nextMember_ = 0;
    ReviewState state_ = ReviewState::NeedsStep;

    std::string leftPath_;
    std::string rightPath_;
    int leftIndex_ = -1;
    int rightIndex_ = -1;
    ReviewMode mode_ = ReviewMode::PairByPair;
    KeepRules rules_;
    std::optional<std::string> failedPath_;

    int groupCount_ = 0;
    int duplicateCount_ = 0;
    int referenceDuplicates_ = 0;  // matches in groups of reference pictures only, not told
    int removedCount_ = 0;
    std::int64_t removedBytes_ = 0;
    int failedRemovals_ = 0;
    int keptChanged_ = 0;
};

}  // namespace morvane
