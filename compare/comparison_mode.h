// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ways of comparing pictures: "exact" (the share of equal grid cells), "similar" (the
// perceptual hashes, for edited, re-encoded and resized copies) and "identical" (the same
// bytes, any kind of file, nothing decoded).
#include <memory>
#include <optional>
#include <string_view>

#include "compare/grouping.h"

namespace morvane {

enum class ComparisonMode { Exact, Similar, Identical };

// "exact", "similar" or "identical"; nothing for any other text.
std::optional<ComparisonMode> ComparisonModeNamed(std::string_view name);
std::unique_ptr<PictureScanner> MakeScanner(ComparisonMode mode, CollectedRun& run, int threshold,
                                            int threads = 0);

}  // namespace morvane
