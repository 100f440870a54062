#include "compare/comparison_mode.h"

#include "compare/similar_scanner.h"

namespace morvane {

std::optional<ComparisonMode> ComparisonModeNamed(std::string_view name) {
    if (name == "exact") return ComparisonMode::Exact;
    if (name == "similar") return ComparisonMode::Similar;
    return std::nullopt;
}

std::unique_ptr<PictureScanner> MakeScanner(ComparisonMode mode, PicTable& table, int threshold,
                                            int threads) {
    if (mode == ComparisonMode::Similar)
        return std::make_unique<SimilarScanner>(table, threshold, threads);
    return std::make_unique<GroupScanner>(table, threshold, threads);
}

}  // namespace morvane
