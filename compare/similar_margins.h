// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A uniform white or black margin around a picture, found on its 32x32 grey cells. The cells
// are tent-filtered 1.5 cells either side, so a margin's edge is a ramp over three cells, not a
// step: the edge is placed where the ramp crosses half way, to a fraction of a cell, and the
// margin's share of the content's outer cells is taken out of them.
#include <array>
#include <cstdint>
#include <optional>

#include "compare/similar_hash.h"

namespace morvane {

struct TrimmedContent {
    Frame frame;                                      // the content's rectangle
    std::array<std::uint8_t, kGrid * kGrid> cells{};  // the cells, the margin's bleed removed
};

// Nothing when no side has a margin of at least half a cell.
std::optional<TrimmedContent> TrimMargins(const std::uint8_t* cells);

}  // namespace morvane
