// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/similar_hash.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>

#include "files/sizes.h"

namespace morvane {
namespace {

// One axis of a frame: the weight of each cell for each frequency, zero outside the frame.
// A cell counts by its share inside the frame, its cosine taken at the middle of that share.
using AxisWeights = std::array<std::array<float, kGrid>, kFrequencies>;

struct Axis {
    AxisWeights weights{};
    // The same, cell by cell, as the sums along a row read them: transposing them at each
    // call cost a quarter of the hashing.
    std::array<std::array<float, kFrequencies>, kGrid> byCell{};
    int first = 0;  // cells [first, last) have a share
    int last = 0;
};

Axis ComputeAxis(double from, double to) {
    Axis axis;
    const double length = to - from;
    axis.first = std::clamp(static_cast<int>(std::floor(from)), 0, kGrid);
    axis.last = std::clamp(static_cast<int>(std::ceil(to)), axis.first, kGrid);
    for (int cell = axis.first; cell < axis.last; ++cell) {
        const double low = std::max<double>(from, cell);
        const double high = std::min<double>(to, cell + 1);
        if (high <= low) continue;
        const double middle = (low + high) / 2 - from;
        for (int k = 0; k < kFrequencies; ++k)
            axis.byCell[cell][k] = axis.weights[k][cell] =
                static_cast<float>((high - low) * std::cos(std::numbers::pi * k * middle / length));
    }
    return axis;
}

// The cosines cost more than the sums, so the axes of every frame the variants use (edges
// on whole cells or on twentieths of the grid) are made once.
constexpr int kSteps = 20;
constexpr double kStep = static_cast<double>(kGrid) / kSteps;

struct AxisTables {
    std::array<std::array<Axis, kGrid + 1>, kGrid + 1> whole;    // [from][to] in cells
    std::array<std::array<Axis, kSteps + 1>, kSteps + 1> steps;  // [from][to] in steps
};

const AxisTables& Tables() {
    static const auto tables = [] {
        auto made = std::make_unique<AxisTables>();
        for (int from = 0; from < kGrid; ++from)
            for (int to = from + 1; to <= kGrid; ++to)
                made->whole[from][to] = ComputeAxis(from, to);
        for (int from = 0; from < kSteps; ++from)
            for (int to = from + 1; to <= kSteps; ++to)
                made->steps[from][to] = ComputeAxis(from * kStep, to * kStep);
        return made;
    }();
    return *tables;
}

// The index of `edge` on a grid of `unit`, or -1 when it lies off it.
int OnGrid(float edge, double unit, int last) {
    const long index = std::lround(edge / unit);
    return index >= 0 && index <= last && std::abs(index * unit - edge) < 1e-4
               ? static_cast<int>(index)
               : -1;
}

// A table's axis, or one made in `made` for edges off both grids.
const Axis& AxisOf(float from, float to, std::optional<Axis>& made) {
    if (const int a = OnGrid(from, 1, kGrid), b = OnGrid(to, 1, kGrid); a >= 0 && b > a)
        return Tables().whole[a][b];
    if (const int a = OnGrid(from, kStep, kSteps), b = OnGrid(to, kStep, kSteps); a >= 0 && b > a)
        return Tables().steps[a][b];
    return made.emplace(ComputeAxis(from, to));
}

// Coefficients this small against the picture's sum are the cosines' rounding, not content:
// they are taken as zero, so a flat picture has no pattern whatever the rounding.
constexpr float kNoise = 1e-5f;

// The sums down the columns of a frame's rows: 8 vertical frequencies x 32 columns.
using DownSums = std::array<std::array<float, kGrid>, kFrequencies>;

// Vector units wider than the baseline's are used where the processor has them; the sums
// run in the same order either way, so the results do not depend on the processor.
__attribute__((target_clones("avx2", "default"))) void SumDown(const std::uint8_t* cells,
                                                               const Axis& rows, DownSums& down) {
    down = {};
    for (int y = rows.first; y < rows.last; ++y) {
        std::array<float, kGrid> row;
        for (int x = 0; x < kGrid; ++x) row[x] = cells[y * kGrid + x];
        for (int v = 0; v < kFrequencies; ++v) {
            const float weight = rows.weights[v][y];
            for (int x = 0; x < kGrid; ++x) down[v][x] += weight * row[x];
        }
    }
}

// Then along each row of those, eight horizontal frequencies at a time.
__attribute__((target_clones("avx2", "default"))) LowFrequencies SumAcross(const DownSums& down,
                                                                           const Frame& frame) {
    std::optional<Axis> made;
    const Axis& columns = AxisOf(frame.left, frame.right, made);
    const auto& across = columns.byCell;
    LowFrequencies result{};
    for (int v = 0; v < kFrequencies; ++v) {
        float* const sums = result.data() + v * kFrequencies;
        for (int x = columns.first; x < columns.last; ++x)
            for (int u = 0; u < kFrequencies; ++u) sums[u] += across[x][u] * down[v][x];
    }
    const float area = (frame.bottom - frame.top) * (frame.right - frame.left);
    result[0] /= area;
    const float noise = kNoise * std::abs(result[0]) * area;
    for (std::size_t i = 1; i < result.size(); ++i)
        if (std::abs(result[i]) <= noise) result[i] = 0;
    return result;
}

}  // namespace

LowFrequencies FrequenciesOf(const std::uint8_t* cells, const Frame& frame) {
    DownSums down;
    std::optional<Axis> made;
    SumDown(cells, AxisOf(frame.top, frame.bottom, made), down);
    return SumAcross(down, frame);
}

std::vector<LowFrequencies> FrequenciesOf(const std::uint8_t* cells,
                                          std::span<const Frame> frames) {
    std::vector<LowFrequencies> result(frames.size());
    std::vector<bool> done(frames.size());
    DownSums down;
    std::optional<Axis> made;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        if (done[f]) continue;
        SumDown(cells, AxisOf(frames[f].top, frames[f].bottom, made), down);
        for (std::size_t g = f; g < frames.size(); ++g) {
            const Frame& a = frames[f];
            const Frame& b = frames[g];
            if (done[g] || b.top != a.top || b.bottom != a.bottom) continue;
            result[g] =
                g > f && b.left == a.left && b.right == a.right ? result[f] : SumAcross(down, b);
            done[g] = true;
        }
    }
    return result;
}

// Turning a quarter clockwise makes the new row the old column read backwards: frequency
// (v, u) takes the old (u, v), its sign flipped when u is odd.
LowFrequencies Turned(const LowFrequencies& frequencies, int quarterTurns) {
    LowFrequencies turned = frequencies;
    for (int turn = 0; turn < (quarterTurns % 4 + 4) % 4; ++turn) {
        const LowFrequencies before = turned;
        for (int v = 0; v < kFrequencies; ++v)
            for (int u = 0; u < kFrequencies; ++u)
                turned[v * kFrequencies + u] = (u % 2 ? -1 : 1) * before[u * kFrequencies + v];
    }
    return turned;
}

// A frequency lies above the median of the 63 exactly when at least 32 of them lie below
// it: counting needs no sorting and runs in vector units (the pad is never below).
__attribute__((target_clones("avx2", "default"))) std::uint64_t HashOf(
    const LowFrequencies& frequencies) {
    std::array<float, kFrequencies * kFrequencies> ac;
    std::copy(frequencies.begin() + 1, frequencies.end(), ac.begin());
    ac.back() = std::numeric_limits<float>::infinity();
    std::uint64_t hash = 0;
    for (std::size_t i = 1; i < frequencies.size(); ++i) {
        int below = 0;
        for (const float other : ac) below += other < frequencies[i];
        if (below > static_cast<int>(ac.size()) / 2 - 1) hash |= std::uint64_t{1} << i;
    }
    return hash;
}

double Correlation(const LowFrequencies& a, const LowFrequencies& b) {
    constexpr int kCount = kFrequencies * kFrequencies - 1;
    double meanA = 0, meanB = 0;
    for (int i = 1; i <= kCount; ++i) {
        meanA += a[i];
        meanB += b[i];
    }
    meanA /= kCount;
    meanB /= kCount;
    double ab = 0, aa = 0, bb = 0;
    for (int i = 1; i <= kCount; ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    if (aa == 0 || bb == 0) return aa == bb ? 1 : 0;
    return ab / std::sqrt(aa * bb);
}

std::uint64_t PerceptualHash(const std::uint8_t* cells) {
    return HashOf(FrequenciesOf(cells));
}

std::uint8_t MeanLevel(const LowFrequencies& frequencies) {
    return static_cast<std::uint8_t>(std::clamp(frequencies[0], 0.0f, 255.0f));
}

int HashSimilarity(int distance) {
    return static_cast<int>(RoundHalfEven(100.0 * (kHashBits - distance) / kHashBits));
}

int MaxHashDistance(int threshold) {
    int distance = kHashBits;
    while (distance > 0 && HashSimilarity(distance) < threshold) --distance;
    return distance;
}

}  // namespace morvane
