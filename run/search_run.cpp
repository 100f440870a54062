// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/search_run.h"

#include "run/fingerprint_cache.h"
#include "run/messages.h"

namespace morvane {

CollectOutcome SearchRun::Collect(const std::atomic<bool>& running, const CollectProgress& progress,
                                  const std::function<void(const std::string&)>& warn) {
    // Byte-identical files need no fingerprint, so the cache is not even opened.
    const bool fingerprints = settings_.Mode != ComparisonMode::Identical;
    const auto cache = settings_.UseCache && fingerprints
                           ? FingerprintCache::Open(DefaultCachePath(), warn)
                           : nullptr;
    const CollectOutcome outcome =
        CollectPictures(settings_.SearchFolder, settings_.MaskText, running, progress,
                        CollectOptions{.Cache = cache.get(),
                                       .Counts = &counts_,
                                       .Fingerprints = fingerprints,
                                       .MoreFolders = settings_.MoreFolders,
                                       .ReferenceFolders = settings_.ReferenceFolders},
                        run_);
    for (const Dubl& record : run_.PicTable)
        readable_ += (fingerprints ? !record.Fingerprint.empty() : record.Valid == 1) ? 1 : 0;
    return outcome;
}

std::optional<std::string> SearchRun::OpenOutput(RunFrontEnd& frontEnd) {
    if (const auto failed = files_.Open(settings_.LogPath, settings_.ListPath, run_)) {
        files_.Close();
        return CreateFailedMessage(*failed);
    }
    disposer_ = std::make_unique<Disposer>(settings_.MoveFolder, settings_.DryRun, frontEnd);
    review_ = std::make_unique<Review>(run_, files_, frontEnd, *disposer_);
    return std::nullopt;
}

void SearchRun::StartComparison(int threads) {
    scanner_ = MakeScanner(settings_.Mode, run_, settings_.Threshold, threads);
}

ScanStep SearchRun::NextStep(const std::atomic<bool>* running) {
    return scanner_->NextStep(running);
}

ReviewState SearchRun::Drive(const std::function<void(const ScanStep&)>& stepMade) {
    ReviewState state;
    while ((state = review_->Resume()) == ReviewState::NeedsStep) {
        if (scanner_->Finished()) {
            review_->EndOfScan();
            continue;
        }
        ScanStep step = scanner_->NextStep();
        if (stepMade) stepMade(step);
        review_->AddStep(std::move(step));
    }
    return state;
}

std::optional<std::string> SearchRun::WriteFailure() const {
    if (!review_ || review_->State() != ReviewState::WriteFailed) return std::nullopt;
    return WriteFailedMessage(review_->FailedPath().value_or(""));
}

}  // namespace morvane
