#pragma once
// Test helper: a review front end that records what the review asks of it, and removes
// files only the way the test says.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "compare/grouping.h"
#include "review/review.h"

namespace morvane::test {

struct RecordingFrontEnd : ReviewFrontEnd {
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
    bool DisposeFile(const std::string& path, const std::optional<FileStamp>& compared,
                     const KeptFile&) override {
        events.push_back("remove " + std::filesystem::path(path).filename().string());
        disposed.push_back(path);
        return dispose(path, compared);
    }
    void KeptFileChanged(const std::string& path) override {
        events.push_back("kept changed " + std::filesystem::path(path).filename().string());
    }

    using Disposal = std::function<bool(const std::string&, const std::optional<FileStamp>&)>;
    Disposal dispose = [](const std::string&, const std::optional<FileStamp>&) { return false; };
    std::function<void(int group)> onGroup;
    int groups = 0;
    std::vector<std::string> events, disposed;
};

// Feeds every scan step of the table to the review, then resumes it.
inline ReviewState ScanAndResume(Review& review, PicTable& table, int threshold) {
    GroupScanner scanner(table, threshold);
    while (!scanner.Finished()) review.AddStep(scanner.NextStep());
    review.EndOfScan();
    return review.Resume();
}

}  // namespace morvane::test
