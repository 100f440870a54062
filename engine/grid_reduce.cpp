#include "engine/grid_reduce.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace morvane {
namespace {

// Sub-pixel positions per pixel of the mask tables, and the fixed-point scale of their taps.
constexpr int kPositions = 64;
constexpr int kTapShift = 12;
constexpr int kTapScale = 1 << kTapShift;
// Rows in a strip of the reduce down the columns.
constexpr int kRowStrip = 10;
// Never box-shrink below this many times the output: the cubic reduce does the rest.
constexpr double kReducingGap = 2.0;

// Catmull-Rom taps for a reduce by `shrink` at sub-pixel position x, normalised to sum 1.
// Written in the same operations and order as libvips writes them, so the taps, and the
// pixels, come out bit for bit the same.
std::vector<double> CubicTaps(double shrink, double x) {
    constexpr double B = 0.0;
    constexpr double C = 0.5;
    const int points = static_cast<int>(2 * std::rint(2 * shrink) + 1);
    const double half = x + points / 2.0 - 1;
    std::vector<double> taps(points);
    double sum = 0;
    for (int i = 0; i < points; ++i) {
        const double xp = (i - half) / shrink;
        const double axp = std::fabs(xp);
        const double axp2 = axp * axp;
        const double axp3 = axp2 * axp;
        double l = 0.0;
        if (axp <= 1)
            l = ((12 - 9 * B - 6 * C) * axp3 + (-18 + 12 * B + 6 * C) * axp2 + (6 - 2 * B)) / 6;
        else if (axp <= 2)
            l = ((-B - 6 * C) * axp3 + (6 * B + 30 * C) * axp2 + (-12 * B - 48 * C) * axp +
                 (8 * B + 24 * C)) /
                6;
        taps[i] = l;
        sum += l;
    }
    for (double& tap : taps) tap /= sum;
    return taps;
}

// The mask for an output pixel centred at input position `at`, and the first input pixel.
struct Tap {
    int first = 0;
    int mask = 0;
};
Tap TapAt(double at) {
    const int scaled = static_cast<int>(at * kPositions * 2);
    return {static_cast<int>(at), ((scaled & (kPositions * 2 - 1)) + 1) >> 1};
}

std::uint8_t FixedToByte(int sum) {
    return static_cast<std::uint8_t>(std::clamp((sum + (kTapScale >> 1)) >> kTapShift, 0, 255));
}

}  // namespace

GridReducer::Axis GridReducer::PlanAxis(int size, int gridSize) {
    Axis axis;
    axis.size = axis.boxed = axis.out = size;
    const double scale = std::max(static_cast<double>(gridSize) / size, 1.0 / size);
    if (!(scale < 1.0)) return axis;
    double shrink = 1.0 / scale;
    axis.out = static_cast<int>(static_cast<unsigned>(static_cast<double>(size) / shrink + 0.5));
    double extra = axis.out * shrink - size;
    axis.boxFactor = static_cast<int>(
        std::max(1.0, std::floor(static_cast<double>(size) / axis.out / kReducingGap)));
    if (axis.boxFactor > 1) {
        axis.boxed = static_cast<int>(std::ceil(static_cast<double>(size) / axis.boxFactor));
        shrink /= axis.boxFactor;
        extra /= axis.boxFactor;
    }
    if (shrink == 1.0) {
        axis.out = axis.boxed;
        return axis;
    }
    axis.cubic = true;
    axis.shrink = shrink;
    axis.points = static_cast<int>(2 * std::rint(2 * shrink) + 1);
    axis.offset = (1 + extra) / 2.0 - 1;
    for (int position = 0; position <= kPositions; ++position) {
        const std::vector<double> taps =
            CubicTaps(shrink, static_cast<float>(position) / kPositions);
        std::vector<int> mask(taps.size());
        for (std::size_t i = 0; i < taps.size(); ++i)
            mask[i] = static_cast<int>(taps[i] * kTapScale);
        axis.masks.push_back(std::move(mask));
    }
    return axis;
}

GridReducer::GridReducer(int width, int height, int bands, int gridSize) : bands_(bands) {
    if (width < gridSize || height < gridSize || gridSize <= 0 || bands <= 0) return;
    rows_ = PlanAxis(height, gridSize);
    columns_ = PlanAxis(width, gridSize);
    handles_ = rows_.out == gridSize && columns_.out == gridSize;
    rowSum_.assign(static_cast<std::size_t>(width) * bands, 0);
    boxed_.reserve(static_cast<std::size_t>(rows_.boxed) * width * bands);
}

void GridReducer::AddRow(const std::uint8_t* row) {
    if (!handles_ || rowsAdded_ >= rows_.size) return;
    ++rowsAdded_;
    const std::size_t samples = rowSum_.size();
    // The last box is filled up with copies of the last row.
    const int copies = rowsAdded_ == rows_.size ? rows_.boxFactor - rowsInBox_ : 1;
    int* sums = rowSum_.data();
    if (copies == 1)
        for (std::size_t i = 0; i < samples; ++i) sums[i] += row[i];
    else
        for (std::size_t i = 0; i < samples; ++i) sums[i] += copies * row[i];
    rowsInBox_ += copies;
    if (rowsInBox_ == rows_.boxFactor) PutBoxedRow();
}

void GridReducer::PutBoxedRow() {
    const int factor = rows_.boxFactor;
    // (sum + factor / 2) / factor by a multiply: exact while sum x factor stays below 2^40,
    // and a sum is at most 255 x factor.
    const std::uint64_t reciprocal = ((std::uint64_t{1} << 40) + factor - 1) / factor;
    const std::size_t start = boxed_.size();
    boxed_.resize(start + rowSum_.size());
    std::uint8_t* target = boxed_.data() + start;
    for (std::size_t i = 0; i < rowSum_.size(); ++i) {
        const auto rounded = static_cast<std::uint64_t>(rowSum_[i] + factor / 2);
        target[i] = static_cast<std::uint8_t>((rounded * reciprocal) >> 40);
    }
    std::fill(rowSum_.begin(), rowSum_.end(), 0);
    rowsInBox_ = 0;
}

// The cubic reduce down the columns of the box-shrunk rows.
std::vector<std::uint8_t> GridReducer::ReduceRows() const {
    const std::size_t samples = rowSum_.size();
    const int pad = static_cast<int>(std::ceil(rows_.points / 2.0)) - 1;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(rows_.out) * samples);
    std::vector<const std::uint8_t*> source(rows_.points);
    std::vector<int> sum(samples);
    double at = 0;
    for (int y = 0; y < rows_.out; ++y, at += rows_.shrink) {
        // libvips works out the rows in strips (the line cache of a sequential pipeline),
        // each strip's positions added up step by step from its first row; the same sums
        // give the same sub-pixel positions where a position falls on a boundary.
        if (y % kRowStrip == 0) at = (y + 0.5) * rows_.shrink - 0.5 - rows_.offset;
        const Tap tap = TapAt(at);
        const std::vector<int>& mask = rows_.masks[tap.mask];
        for (int i = 0; i < rows_.points; ++i) {
            const int row = std::clamp(tap.first + i - pad, 0, rows_.boxed - 1);
            source[i] = boxed_.data() + static_cast<std::size_t>(row) * samples;
        }
        std::fill(sum.begin(), sum.end(), 0);
        for (int i = 0; i < rows_.points; ++i)
            for (std::size_t z = 0; z < samples; ++z) sum[z] += mask[i] * source[i][z];
        std::uint8_t* target = out.data() + static_cast<std::size_t>(y) * samples;
        for (std::size_t z = 0; z < samples; ++z) target[z] = FixedToByte(sum[z]);
    }
    return out;
}

// The box shrink, then the cubic reduce, along each row.
std::vector<std::uint8_t> GridReducer::ReduceColumns(const std::vector<std::uint8_t>& rows) const {
    const int factor = columns_.boxFactor;
    const int width = columns_.size;
    const int boxedWidth = columns_.boxed;
    const int height = static_cast<int>(rows.size() / (static_cast<std::size_t>(width) * bands_));
    const int pad = columns_.cubic ? static_cast<int>(std::ceil(columns_.points / 2.0)) - 1 : 0;
    std::vector<std::uint8_t> boxed(static_cast<std::size_t>(boxedWidth) * bands_);
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(height) * columns_.out * bands_);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = rows.data() + static_cast<std::size_t>(y) * width * bands_;
        for (int x = 0; x < boxedWidth; ++x)
            for (int b = 0; b < bands_; ++b) {
                int sum = 0;
                for (int j = 0; j < factor; ++j)
                    sum += row[std::min(x * factor + j, width - 1) * bands_ + b];
                boxed[x * bands_ + b] = static_cast<std::uint8_t>((sum + factor / 2) / factor);
            }
        if (!columns_.cubic) {
            out.insert(out.end(), boxed.begin(), boxed.end());
            continue;
        }
        double at = 0.5 * columns_.shrink - 0.5 - columns_.offset;
        for (int x = 0; x < columns_.out; ++x, at += columns_.shrink) {
            const Tap tap = TapAt(at);
            const std::vector<int>& mask = columns_.masks[tap.mask];
            for (int b = 0; b < bands_; ++b) {
                int sum = 0;
                for (int i = 0; i < columns_.points; ++i) {
                    const int column = std::clamp(tap.first + i - pad, 0, boxedWidth - 1);
                    sum += mask[i] * boxed[column * bands_ + b];
                }
                out.push_back(FixedToByte(sum));
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> GridReducer::Finish() {
    if (!handles_ || rowsAdded_ != rows_.size) return {};
    return ReduceColumns(rows_.cubic ? ReduceRows() : boxed_);
}

}  // namespace morvane
