// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/comparison_mode.h"

#include "compare/identical_scanner.h"
#include "compare/similar_scanner.h"

namespace morvane {

std::optional<ComparisonMode> ComparisonModeNamed(std::string_view name) {
    if (name == "exact") return ComparisonMode::Exact;
    if (name == "similar") return ComparisonMode::Similar;
    if (name == "identical") return ComparisonMode::Identical;
    return std::nullopt;
}

std::unique_ptr<PictureScanner> MakeScanner(ComparisonMode mode, CollectedRun& run, int threshold,
                                            int threads) {
    if (mode == ComparisonMode::Identical) return std::make_unique<IdenticalScanner>(run, threads);
    if (mode == ComparisonMode::Similar)
        return std::make_unique<SimilarScanner>(run.PicTable, threshold, threads);
    return std::make_unique<GroupScanner>(run.PicTable, threshold, threads);
}

}  // namespace morvane
