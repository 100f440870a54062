// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helper: a front end and disposal that record what the review asks of them, and remove
// files only the way the test says.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "compare/grouping.h"
#include "review/review.h"
#include "run/disposer.h"

namespace morvane::test {

struct RecordingFrontEnd : RunFrontEnd, ReviewDisposal {
    void ShowSlot(int slot, const SlotPicture& p) override {
        events.push_back((slot == 0 ? "left " : "right ") + p.RelativePath + "|" + p.SizeText +
                         "|" + p.DimensionsText);
    }
    void ClearSlots() override { events.push_back("clear"); }
    void DuplicateCountChanged(int n) override {
        events.push_back("dup " + std::to_string(n));
        if (onGroup) onGroup(++groups);
    }
    void ProcessedChanged(int n) override { events.push_back("done " + std::to_string(n)); }
    bool Dispose(const std::string& path, const std::optional<FileStamp>& compared,
                 const KeptFile&) override {
        events.push_back("remove " + std::filesystem::path(path).filename().string());
        disposed.push_back(path);
        return dispose(path, compared);
    }
    void KeptFileChanged(const std::string& path) override {
        events.push_back("kept changed " + std::filesystem::path(path).filename().string());
    }
    DisposalWay ChosenDisposalWay() const override { return way; }
    void Tell(const std::string& message) override { told.push_back(message); }

    using Disposal = std::function<bool(const std::string&, const std::optional<FileStamp>&)>;
    Disposal dispose = [](const std::string&, const std::optional<FileStamp>&) { return false; };
    std::function<void(int group)> onGroup;
    int groups = 0;
    DisposalWay way = DisposalWay::None;
    std::vector<std::string> events, disposed, told;
};

// Feeds every scan step of the table to the review, then resumes it.
inline ReviewState ScanAndResume(Review& review, PicTable& table, int threshold) {
    GroupScanner scanner(table, threshold);
    while (!scanner.Finished()) review.AddStep(scanner.NextStep());
    review.EndOfScan();
    return review.Resume();
}

}  // namespace morvane::test
