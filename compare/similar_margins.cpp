// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/similar_margins.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace morvane {
namespace {

// The reduction's tent reaches this many cells either side of a cell's centre.
constexpr double kReach = 1.5;
// A margin is at most this many cells deep, so that the content keeps a size.
constexpr int kMaxMargin = kGrid / 4;
// A line across an edge tells where the edge lies only when its content differs this much
// from the margin; a fully covered cell lies this close to the margin's grey.
constexpr int kMinContrast = 48;
constexpr int kMarginTolerance = 12;
// Even a margin of half a cell takes an outer cell half way to its grey: a side whose outer
// cells mostly lie further than this from it has none.
constexpr int kOuterReach = 96;
// Margins thinner than this change the hash by less than re-encoding does.
constexpr double kMinDepth = 0.5;

// The tent's share lying below `x` (cells from its centre): the share of a margin ending `x`
// past a cell's centre that the cell shows.
double Share(double x) {
    x = std::clamp(x, -kReach, kReach);
    const double outside = (kReach - std::abs(x)) * (kReach - std::abs(x)) / (2 * kReach * kReach);
    return x < 0 ? outside : 1 - outside;
}

// Where the margin ends, from the share `share` a cell centred at `centre` shows of it.
double EdgeFrom(double share, double centre) {
    share = std::clamp(share, 0.0, 1.0);
    const double x = share < 0.5 ? kReach * (std::sqrt(2 * share) - 1)
                                 : kReach * (1 - std::sqrt(2 * (1 - share)));
    return centre + x;
}

// A side's cells by depth from its edge: cell (line, depth).
struct Side {
    int index;  // 0 top, 1 bottom, 2 left, 3 right
    int At(int line, int depth) const {
        switch (index) {
            case 0:
                return depth * kGrid + line;
            case 1:
                return (kGrid - 1 - depth) * kGrid + line;
            case 2:
                return line * kGrid + depth;
            default:
                return line * kGrid + kGrid - 1 - depth;
        }
    }
};

// The depth of one line's margin of grey `margin`, or nothing when its content is too
// close to the margin's grey to tell or the line does not begin in the margin.
std::optional<double> LineDepth(const std::uint8_t* cells, Side side, int line, int margin) {
    const auto at = [&](int depth) { return static_cast<int>(cells[side.At(line, depth)]); };
    for (int depth = 0; depth <= kMaxMargin; ++depth) {
        if (std::abs(at(depth) - margin) <= kMarginTolerance) continue;
        // Two cells further in lies content the ramp does not reach.
        const int content = at(depth + 2);
        if (std::abs(margin - content) < kMinContrast) return std::nullopt;
        const double share = static_cast<double>(at(depth) - content) / (margin - content);
        if (share >= 0.5) {
            // The margin then covers the cell two further out wholly.
            if (depth >= 2 && std::abs(at(depth - 2) - margin) > kMarginTolerance)
                return std::nullopt;
            continue;
        }
        if (depth == 0) return 0.0;
        const double before = static_cast<double>(at(depth - 1) - content) / (margin - content);
        return (EdgeFrom(share, depth + 0.5) + EdgeFrom(before, depth - 0.5)) / 2;
    }
    return std::nullopt;
}

// The depth of a side's margin of grey `margin`: the median of the lines that tell, when
// enough of them tell and most agree (a margin's edge is straight).
std::optional<double> SideDepth(const std::uint8_t* cells, Side side, int margin) {
    // Most pictures have no margin: their sides are left at once.
    int near = 0;
    for (int line = kMaxMargin / 2; line < kGrid - kMaxMargin / 2; ++line)
        near += std::abs(cells[side.At(line, 0)] - margin) <= kOuterReach;
    if (3 * near < 2 * (kGrid - kMaxMargin)) return std::nullopt;
    std::vector<double> depths;
    for (int line = kMaxMargin / 2; line < kGrid - kMaxMargin / 2; ++line)
        if (const auto depth = LineDepth(cells, side, line, margin)) depths.push_back(*depth);
    if (depths.size() < kGrid / 4) return std::nullopt;
    std::ranges::nth_element(depths, depths.begin() + depths.size() / 2);
    const double median = depths[depths.size() / 2];
    const auto agree = std::ranges::count_if(
        depths, [&](double depth) { return std::abs(depth - median) <= 0.5; });
    if (median < kMinDepth || 3 * agree < 2 * static_cast<long>(depths.size())) return std::nullopt;
    return median;
}

// Takes a margin of grey `margin` and depth `depth` out of the side's cells: a cell that
// shows a share of it shows the rest of the content's edge; the cell the edge cuts repeats
// the next one inwards, as the reduction repeats a picture's edge.
void RemoveBleed(std::uint8_t* cells, Side side, double depth, int margin) {
    const int cut = static_cast<int>(std::floor(depth));
    for (int line = 0; line < kGrid; ++line) {
        for (int d = cut; d < kGrid && d + 0.5 < depth + kReach; ++d) {
            if (d + 0.5 < depth) continue;
            const double share = Share(depth - (d + 0.5));
            std::uint8_t& cell = cells[side.At(line, d)];
            cell = static_cast<std::uint8_t>(
                std::clamp(std::lround((cell - share * margin) / (1 - share)), 0L, 255L));
        }
        if (cut + 0.5 < depth) cells[side.At(line, cut)] = cells[side.At(line, cut + 1)];
    }
}

// Whether a side's outer line lies near grey `margin`, as a margin's would through the bleed
// of the content beside it.
bool OuterLineNear(const std::uint8_t* cells, Side side, int margin) {
    for (int line = kMaxMargin / 2; line < kGrid - kMaxMargin / 2; ++line)
        if (std::abs(cells[side.At(line, 0)] - margin) > kMinContrast) return false;
    return true;
}

// The depths of a pair of opposite sides (top and bottom, or left and right) with their grey.
// A margin is as deep on both: a side the lines do not tell, its content there as light or
// dark as the margin, or one told deeper than the other by content of the margin's grey
// beside it, takes the other's depth.
std::array<std::optional<std::pair<double, int>>, 2> Opposite(const std::uint8_t* cells,
                                                              int first) {
    std::array<std::optional<std::pair<double, int>>, 2> sides;
    for (const int margin : {255, 0}) {
        const std::array<Side, 2> pair{Side{first}, Side{first + 1}};
        std::array<std::optional<double>, 2> depths{SideDepth(cells, pair[0], margin),
                                                    SideDepth(cells, pair[1], margin)};
        if (!depths[0] && !depths[1]) continue;
        for (int i = 0; i < 2; ++i) {
            const auto& other = depths[1 - i];
            if (other &&
                (!depths[i] ? OuterLineNear(cells, pair[i], margin) : *depths[i] > *other + 1))
                depths[i] = other;
        }
        for (int i = 0; i < 2; ++i)
            if (depths[i]) sides[i] = std::pair(*depths[i], margin);
        break;
    }
    return sides;
}

}  // namespace

std::optional<TrimmedContent> TrimMargins(const std::uint8_t* cells) {
    TrimmedContent trimmed;
    std::copy(cells, cells + kGrid * kGrid, trimmed.cells.begin());
    float* const edges[4] = {&trimmed.frame.top, &trimmed.frame.bottom, &trimmed.frame.left,
                             &trimmed.frame.right};
    bool any = false;
    for (const int first : {0, 2}) {
        const auto sides = Opposite(cells, first);
        for (int i = 0; i < 2; ++i)
            if (const auto& side = sides[i]) {
                const auto [depth, margin] = *side;
                RemoveBleed(trimmed.cells.data(), {first + i}, depth, margin);
                *edges[first + i] = static_cast<float>(i ? kGrid - depth : depth);
                any = true;
            }
    }
    if (!any) return std::nullopt;
    return trimmed;
}

}  // namespace morvane
