#pragma once
// The two ways of comparing pictures: "exact" (the share of equal grid cells) and "similar"
// (the perceptual hashes, for edited, re-encoded and resized copies).
#include <memory>
#include <optional>
#include <string_view>

#include "compare/grouping.h"

namespace morvane {

enum class ComparisonMode { Exact, Similar };

// "exact" or "similar"; nothing for any other text.
std::optional<ComparisonMode> ComparisonModeNamed(std::string_view name);
std::unique_ptr<PictureScanner> MakeScanner(ComparisonMode mode, PicTable& table, int threshold,
                                            int threads = 0);

}  // namespace morvane
