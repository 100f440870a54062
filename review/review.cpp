// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/review.h"

#include "files/file_content.h"
#include "files/file_identity.h"
#include "files/sizes.h"
#include "imaging/fingerprint.h"

namespace morvane {

Review::Review(const CollectedRun& run, OutputFiles& files, ReviewFrontEnd& frontEnd,
               ReviewDisposal& disposal)
    : run_(run), files_(files), frontEnd_(frontEnd), disposal_(disposal) {}

void Review::AddStep(ScanStep step) {
    steps_.push_back(std::move(step));
}

void Review::EndOfScan() {
    scanEnded_ = true;
}

bool Review::Write(OutputFile& file, const std::string& line) {
    if (file.WriteLine(line)) return true;
    failedPath_ = file.Path();
    state_ = ReviewState::WriteFailed;
    files_.Close();
    return false;
}

// Takes the next scan step; false when none is queued.
bool Review::BeginStep() {
    if (steps_.empty()) return false;
    current_ = std::move(steps_.front());
    steps_.pop_front();
    nextMember_ = 0;
    // Nothing of a group of reference pictures alone may go: it is no group of duplicates.
    if (current_->Group && run_.OnlyReferences(current_->Group->Members)) {
        referenceDuplicates_ += static_cast<int>(current_->Group->Members.size()) - 1;
        current_->Group.reset();
    }
    if (current_->Group) {
        ++groupCount_;
        duplicateCount_ = current_->DuplicateCount - referenceDuplicates_;
        frontEnd_.DuplicateCountChanged(duplicateCount_);
        if (Write(files_.Log, kSeparatorLine)) Write(files_.List, kSeparatorLine);
    }
    return true;
}

bool Review::WriteMember(int index) {
    const std::string fullPath = run_.FullPath(index);
    return Write(files_.Log, LogLine(fullPath, run_.PicTable[index])) &&
           Write(files_.List, fullPath);
}

void Review::ShowMember(int index) {
    const Dubl& record = run_.PicTable[index];
    const SlotPicture picture{run_.FullPath(index), run_.FileList[index],
                              FormatSize(record.FileSize), DimensionsText(record),
                              run_.IsReference(index)};
    if (leftPath_.empty()) {
        leftPath_ = picture.FullPath;
        leftIndex_ = index;
        frontEnd_.ShowSlot(0, picture);
    } else if (rightPath_.empty()) {
        rightPath_ = picture.FullPath;
        rightIndex_ = index;
        frontEnd_.ShowSlot(1, picture);
    }
}

ReviewState Review::Resume() {
    while (state_ == ReviewState::NeedsStep) {
        if (!current_ && !BeginStep()) {
            if (scanEnded_) state_ = ReviewState::Finished;
            break;
        }
        if (state_ != ReviewState::NeedsStep) break;
        const auto& members = current_->Group ? current_->Group->Members : std::vector<int>{};
        if (nextMember_ < members.size()) {
            const int index = members[nextMember_++];
            if (!WriteMember(index)) break;
            if (mode_ == ReviewMode::PairByPair) {
                ShowMember(index);
                if (!leftPath_.empty() && !rightPath_.empty())
                    state_ = ReviewState::AwaitingDecision;
            }
            continue;
        }
        EndGroup();
    }
    return state_;
}

void Review::EndGroup() {
    if (current_->Group) {
        if (Keeping()) KeepOnePass();
        if (state_ == ReviewState::Stopped) return;  // Stop has cleared the slots
        frontEnd_.ClearSlots();
        leftPath_.clear();
        rightPath_.clear();
    }
    frontEnd_.ProcessedChanged(current_->Processed);
    current_.reset();
}

// The stamp a removal checks the file against; nothing when the file is known not to be the
// one compared. A stamp taken within a clock tick of the file's last change proves nothing
// alone: the picture is read again and must show the cells compared.
std::optional<FileStamp> Review::StampIfUnchanged(int index) const {
    const Dubl& record = run_.PicTable[index];
    if (!record.Stamp || !record.ContentCheck) return record.Stamp;
    const std::string fullPath = run_.FullPath(index);
    if (StampOfPath(fullPath) != record.Stamp) return std::nullopt;
    if (run_.BytesChecked) {
        const auto hash = HashFileContent(fullPath, *record.Stamp);
        return hash && hash->Low == *record.ContentCheck ? record.Stamp : std::nullopt;
    }
    const auto made = MakeFingerprint(fullPath);
    if (!made || CellsDigest(made->Cells) != *record.ContentCheck) return std::nullopt;
    return record.Stamp;
}

bool Review::Dispose(int index, const KeptFile& kept) {
    if (run_.IsReference(index)) return false;  // whatever asks: a reference picture never goes
    const std::string fullPath = run_.FullPath(index);
    const std::int64_t size = FileSizeByName(fullPath);
    if (disposal_.Dispose(fullPath, StampIfUnchanged(index), kept)) {
        ++removedCount_;
        removedBytes_ += size > 0 ? size : 0;
        return true;
    }
    if (size >= 0) ++failedRemovals_;
    return false;
}

KeptFile Review::Opposite(int index) const {
    if (index < 0) return {};
    return {run_.FullPath(index), run_.PicTable[index].Stamp};
}

bool Review::Keeping() const {
    return mode_ == ReviewMode::KeepLargest || mode_ == ReviewMode::KeepSmallest ||
           mode_ == ReviewMode::KeepByRules;
}

// The two buttons keep by the sizes recorded when the pictures were read, not as they are now.
KeepRules Review::RulesOfMode() const {
    if (mode_ == ReviewMode::KeepByRules) return rules_;
    return {{mode_ == ReviewMode::KeepSmallest ? KeepRuleKind::Smallest : KeepRuleKind::Largest}};
}

// The others go only while the kept file is still the one compared: should it change or go,
// nothing more of its group is removed, so the last copy never goes.
void Review::KeepOnePass() {
    const int kept = KeptMember(current_->Group->Members, run_, RulesOfMode());
    if (kept < 0) return;
    const std::string keptPath = run_.FullPath(kept);
    // Read again (when its stamp needs that) once; each removal then checks its stamp anew.
    auto keptStamp = StampIfUnchanged(kept);
    for (const int index : current_->Group->Members) {
        // A message shown for the last removal lets the user stop the run meanwhile.
        if (state_ == ReviewState::Stopped) return;
        const auto& stamp = run_.PicTable[index].Stamp;
        if (index == kept || !stamp || stamp->Size <= 0 || NeverRemovedByKeepAll(run_, index))
            continue;
        if (!keptStamp || StampOfPath(keptPath) != keptStamp) {
            ++keptChanged_;
            disposal_.KeptFileChanged(keptPath);
            return;
        }
        // A hard link to the kept file moves its change time on, and only that.
        if (Dispose(index, {keptPath, keptStamp}))
            if (const auto now = StampOfPath(keptPath); now && SameAfterRename(*now, *keptStamp))
                keptStamp = now;
    }
}

bool Review::Decide(ReviewDecision decision) {
    if (mode_ != ReviewMode::PairByPair || (leftPath_.empty() && rightPath_.empty())) return false;
    if (state_ == ReviewState::Stopped || state_ == ReviewState::WriteFailed) return false;
    const int pressed = decision == ReviewDecision::DeleteLeft && !leftPath_.empty() ? leftIndex_
                        : decision == ReviewDecision::DeleteRight && !rightPath_.empty()
                            ? rightIndex_
                            : -1;
    if (pressed >= 0 && run_.IsReference(pressed)) {
        disposal_.ReferenceKept(run_.FullPath(pressed));
        return false;
    }
    switch (decision) {
        case ReviewDecision::DeleteLeft:
            Dispose(leftIndex_, Opposite(rightIndex_));
            leftPath_.clear();
            break;
        case ReviewDecision::DeleteAllLarger:
            mode_ = ReviewMode::KeepSmallest;
            break;
        case ReviewDecision::DeleteRight:
            Dispose(rightIndex_, Opposite(leftIndex_));
            rightPath_.clear();
            break;
        case ReviewDecision::DeleteAllSmaller:
            mode_ = ReviewMode::KeepLargest;
            break;
        case ReviewDecision::SkipPair:
            rightPath_.clear();
            break;
        case ReviewDecision::SkipAll:
            mode_ = ReviewMode::SkipAll;
            break;
    }
    if (state_ == ReviewState::AwaitingDecision) state_ = ReviewState::NeedsStep;
    return true;
}

void Review::Stop() {
    if (state_ == ReviewState::Stopped) return;
    const bool inGroup = current_ && current_->Group;
    state_ = ReviewState::Stopped;
    leftPath_.clear();
    rightPath_.clear();
    files_.Close();
    if (inGroup) frontEnd_.ClearSlots();
}

}  // namespace morvane
