// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/grid_reduce.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace morvane {
namespace {

// A triangle reaching kReach steps of the reduction either side of a cell's centre. Against
// the cubic of a high-quality bicubic draw (Keys, a = -0.5, two steps either side) it weighs
// more pixels more evenly, so a copy cut by a pixel or re-encoded moves fewer cells past a
// rounding boundary, and it has fewer taps.
constexpr double kReach = 1.5;

double Tent(double x) {
    return std::max(0.0, 1.0 - std::fabs(x));
}

// The row loops work in blocks of this many samples, a whole number of vectors for any SIMD
// width, so the compiler vectorises them without a scalar remainder.
constexpr std::size_t kBlock = 16;

std::size_t Padded(std::size_t samples) {
    return (samples + kBlock - 1) / kBlock * kBlock;
}

// Wider vectors where the processor has them. Every sum still gets the same products added in
// the same order, each rounded on its own (the file is built without fused multiply-add), so
// the cells are the same whichever version the loader picks.
#if defined(__x86_64__) && defined(__GNUC__)
#define MORVANE_WIDE_VECTORS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define MORVANE_WIDE_VECTORS
#endif

// A block of samples as bytes and as floats (GCC's vector types: one to four instructions
// each, depending on the vector width).
using Bytes = std::uint8_t __attribute__((vector_size(kBlock)));
using Ints = std::int32_t __attribute__((vector_size(kBlock * sizeof(std::int32_t))));
using Floats = float __attribute__((vector_size(kBlock * sizeof(float))));

// Rows are gathered into strips of up to this many, within this many bytes, before they are
// added: each sum is then loaded and stored once a strip instead of once a row.
constexpr int kMaxStripRows = 16;
constexpr std::size_t kStripBytes = std::size_t{1} << 16;

// Adds a strip of rows, weighted, into the output rows whose spans reach it. For each block of
// columns, the strip's samples are turned to floats once, then each output row's sums take
// their rows' products in row order, as if the rows had been added one by one.
MORVANE_WIDE_VECTORS void AddStrip(const GridReducer::StripTarget* targets, std::size_t count,
                                   const std::uint8_t* strip, int rows, std::size_t samples) {
    Floats values[kMaxStripRows];
    for (std::size_t i = 0; i < samples; i += kBlock) {
        const std::size_t taken = std::min(kBlock, samples - i);
        for (int y = 0; y < rows; ++y) {
            Bytes bytes{};  // past the row's end the padding of the sums gets zeros
            if (taken == kBlock)
                std::memcpy(&bytes, strip + samples * y + i, kBlock);  // one load
            else
                std::memcpy(&bytes, strip + samples * y + i, taken);
            // Widened to 32-bit integers first: GCC turns that into vector moves, while it
            // converts bytes straight to floats one at a time.
            Ints wide{};
            for (std::size_t k = 0; k < kBlock; ++k) wide[k] = bytes[k];
            values[y] = __builtin_convertvector(wide, Floats);
        }
        for (std::size_t t = 0; t < count; ++t) {
            const GridReducer::StripTarget& target = targets[t];
            Floats sum;
            std::memcpy(&sum, target.sums + i, sizeof sum);
            for (int y = target.from; y < target.to; ++y)
                sum += target.weights[y - target.from] * values[y];
            std::memcpy(target.sums + i, &sum, sizeof sum);
        }
    }
}

std::uint8_t ToByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::floor(value + 0.5f), 0.0f, 255.0f));
}

}  // namespace

std::vector<GridReducer::Span> GridReducer::PlanAxis(int size, int out) {
    const double step = static_cast<double>(size) / out;
    // Shrinking widens the kernel with the step so it averages every pixel.
    const double scale = kReach * std::max(step, 1.0);
    const double radius = scale;
    std::vector<Span> spans(out);
    std::vector<double> weights;
    for (int j = 0; j < out; ++j) {
        const double centre = (j + 0.5) * step - 0.5;
        const int low = static_cast<int>(std::ceil(centre - radius));
        const int high = static_cast<int>(std::floor(centre + radius));
        const int first = std::clamp(low, 0, size - 1);
        const int last = std::clamp(high, 0, size - 1);
        weights.assign(static_cast<std::size_t>(last - first + 1), 0.0);
        double total = 0.0;
        for (int i = low; i <= high; ++i) {
            const double weight = Tent((i - centre) / scale);
            // Pixels past an edge repeat the edge pixel.
            weights[std::clamp(i, 0, size - 1) - first] += weight;
            total += weight;
        }
        spans[j].first = first;
        spans[j].weights.reserve(weights.size());
        for (const double weight : weights)
            spans[j].weights.push_back(static_cast<float>(weight / total));
    }
    return spans;
}

GridReducer::GridReducer(int width, int height, int bands, int gridSize)
    : height_(height), bands_(bands), gridSize_(gridSize) {
    if (width <= 0 || height <= 0 || gridSize <= 0 || bands <= 0) return;
    handles_ = true;
    rowSpans_ = PlanAxis(height, gridSize);
    columnSpans_ = PlanAxis(width, gridSize);
    samples_ = static_cast<std::size_t>(width) * bands;
    // The padding is never read back from the sums.
    padded_ = Padded(samples_);
    sums_.assign(padded_ * gridSize, 0.0f);
    stripCapacity_ =
        static_cast<int>(std::clamp<std::size_t>(kStripBytes / samples_, 1, kMaxStripRows));
    strip_.resize(samples_ * stripCapacity_);
}

// Down the columns first: each incoming row goes, weighted, into the few output rows whose
// span holds it, a strip of rows at a time.
void GridReducer::AddRow(const std::uint8_t* row) {
    if (!handles_ || rowsAdded_ >= height_) return;
    ++rowsAdded_;
    std::memcpy(strip_.data() + samples_ * stripRows_, row, samples_);
    if (++stripRows_ == stripCapacity_) AddStripRows();
}

void GridReducer::AddStripRows() {
    if (stripRows_ == 0) return;
    const int top = rowsAdded_ - stripRows_;
    while (firstOpenRow_ < gridSize_) {
        const Span& span = rowSpans_[firstOpenRow_];
        if (top < span.first + static_cast<int>(span.weights.size())) break;
        ++firstOpenRow_;
    }
    targets_.clear();
    for (int out = firstOpenRow_; out < gridSize_ && rowSpans_[out].first < rowsAdded_; ++out) {
        const Span& span = rowSpans_[out];
        const int from = std::max(span.first, top);
        const int to = std::min(span.first + static_cast<int>(span.weights.size()), rowsAdded_);
        if (from >= to) continue;
        targets_.push_back({sums_.data() + padded_ * out, span.weights.data() + (from - span.first),
                            from - top, to - top});
    }
    AddStrip(targets_.data(), targets_.size(), strip_.data(), stripRows_, samples_);
    stripRows_ = 0;
}

// Then along the gridSize rows of sums, rounding once.
std::vector<std::uint8_t> GridReducer::Finish() {
    if (!handles_ || rowsAdded_ != height_) return {};
    AddStripRows();
    const std::size_t padded = padded_;
    const std::size_t bands = static_cast<std::size_t>(bands_);
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(gridSize_) * gridSize_ * bands);
    for (int y = 0; y < gridSize_; ++y) {
        const float* sums = sums_.data() + padded * y;
        for (const Span& span : columnSpans_) {
            const float* source = sums + static_cast<std::size_t>(span.first) * bands;
            for (std::size_t b = 0; b < bands; ++b) {
                float value = 0.0f;
                for (std::size_t k = 0; k < span.weights.size(); ++k)
                    value += span.weights[k] * source[k * bands + b];
                out.push_back(ToByte(value));
            }
        }
    }
    return out;
}

}  // namespace morvane
