// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One search run, the same for the window and the command line: collect the pictures, open
// the log and the list, compare, feed the groups to the review, and remove what it decides.
// The front end chooses the threads: Collect and the comparison may run on a worker,
// OpenOutput and the review run on the thread that shows them; Drive does comparison and
// review together on one thread.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compare/comparison_mode.h"
#include "review/output_files.h"
#include "review/review.h"
#include "run/collection.h"
#include "run/defaults.h"
#include "run/disposer.h"

namespace morvane {

// The settings of a run, read once when it starts.
struct SearchSettings {
    std::string SearchFolder;
    std::vector<std::string> MoreFolders = {};       // searched after it, as one table
    std::vector<std::string> ReferenceFolders = {};  // searched first; their pictures never go
    std::string MaskText = kDefaultMasks;
    std::string ListPath = kListFileName;
    std::string LogPath = kLogFileName;
    std::string MoveFolder;  // where the review moves files when told to
    ComparisonMode Mode = ComparisonMode::Exact;
    int Threshold = DefaultThreshold(ComparisonMode::Exact);
    bool UseCache = true;  // take unchanged pictures from the fingerprint cache
    bool DryRun = false;   // tell what would be removed, touch nothing
};

class SearchRun {
  public:
    explicit SearchRun(SearchSettings settings) : settings_(std::move(settings)) {}

    const SearchSettings& Settings() const { return settings_; }
    const CollectedRun& Collected() const { return run_; }
    // Pictures with a fingerprint, counted when the collection ends.
    int Readable() const { return readable_; }
    // Files and folders the walk passed over because their paths are too long to open.
    int LongPathsSkipped() const { return counts_.LongPathsSkipped; }

    // Walks the folder and makes the fingerprints. The fingerprint cache is opened and closed
    // here; when it fails, `warn` hears why once and the run goes on without it.
    CollectOutcome Collect(const std::atomic<bool>& running, const CollectProgress& progress,
                           const std::function<void(const std::string&)>& warn);
    // Opens and empties the log and the list and makes the review and its disposer, which asks
    // the front end the way and shows it what to tell; the user's message when a file cannot
    // be used (and then nothing was emptied).
    std::optional<std::string> OpenOutput(RunFrontEnd& frontEnd);
    Review& TheReview() { return *review_; }
    bool HasReview() const { return review_ != nullptr; }
    const Disposer& TheDisposer() const { return *disposer_; }

    // The comparison, on one thread at a time: it takes the fingerprints out of the records.
    void StartComparison(int threads = 0);
    bool ComparisonFinished() const { return scanner_->Finished(); }
    ScanStep NextStep(const std::atomic<bool>* running = nullptr);

    // Compares and reviews on the calling thread until the review needs a decision, ends or
    // fails; `stepMade` sees each step first.
    ReviewState Drive(const std::function<void(const ScanStep&)>& stepMade = {});
    // The user's message when the review could not write a line.
    std::optional<std::string> WriteFailure() const;
    void CloseOutput() { files_.Close(); }

  private:
    const SearchSettings settings_;
    CollectedRun run_;
    int readable_ = 0;
    CollectCounts counts_;
    OutputFiles files_;
    std::unique_ptr<Disposer> disposer_;
    std::unique_ptr<Review> review_;
    std::unique_ptr<PictureScanner> scanner_;
};

}  // namespace morvane
