#include "imaging/grid_reduce.h"

#include <algorithm>
#include <cmath>

namespace morvane {
namespace {

// Keys' cubic convolution kernel with a = -0.5 (Catmull-Rom).
double Keys(double x) {
    const double t = std::fabs(x);
    if (t < 1.0) return (1.5 * t - 2.5) * t * t + 1.0;
    if (t < 2.0) return ((-0.5 * t + 2.5) * t - 4.0) * t + 2.0;
    return 0.0;
}

// The row loops work in blocks of this many samples, a whole number of vectors for any SIMD
// width, so the compiler vectorises them without a scalar remainder.
constexpr std::size_t kBlock = 16;

std::size_t Padded(std::size_t samples) {
    return (samples + kBlock - 1) / kBlock * kBlock;
}

void ToFloats(float* __restrict out, const std::uint8_t* __restrict in, std::size_t samples) {
    const std::size_t whole = samples / kBlock * kBlock;
    for (std::size_t i = 0; i < whole; i += kBlock)
        for (std::size_t k = 0; k < kBlock; ++k) out[i + k] = in[i + k];
    for (std::size_t i = whole; i < samples; ++i) out[i] = in[i];
}

// `padded` is a multiple of kBlock.
void AddWeighted(float* __restrict sums, const float* __restrict values, float weight,
                 std::size_t padded) {
    for (std::size_t i = 0; i < padded; i += kBlock)
        for (std::size_t k = 0; k < kBlock; ++k) sums[i + k] += weight * values[i + k];
}

std::uint8_t ToByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::floor(value + 0.5f), 0.0f, 255.0f));
}

}  // namespace

std::vector<GridReducer::Span> GridReducer::PlanAxis(int size, int out) {
    const double step = static_cast<double>(size) / out;
    // Shrinking widens the kernel so it averages every pixel; enlarging keeps it plain.
    const double scale = std::max(step, 1.0);
    const double radius = 2.0 * scale;
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
            const double weight = Keys((i - centre) / scale);
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
    : width_(width), height_(height), bands_(bands), gridSize_(gridSize) {
    if (width <= 0 || height <= 0 || gridSize <= 0 || bands <= 0) return;
    handles_ = true;
    rowSpans_ = PlanAxis(height, gridSize);
    columnSpans_ = PlanAxis(width, gridSize);
    samples_ = static_cast<std::size_t>(width) * bands;
    // The padding stays zero in the row and is never read back from the sums.
    row_.assign(Padded(samples_), 0.0f);
    sums_.assign(row_.size() * gridSize, 0.0f);
}

// Down the columns first: each incoming row is added, weighted, into the few output rows
// whose span holds it; plain loops over the whole row that the compiler vectorises.
void GridReducer::AddRow(const std::uint8_t* row) {
    if (!handles_ || rowsAdded_ >= height_) return;
    const int y = rowsAdded_++;
    const std::size_t padded = row_.size();
    ToFloats(row_.data(), row, samples_);
    while (firstOpenRow_ < gridSize_) {
        const Span& span = rowSpans_[firstOpenRow_];
        if (y < span.first + static_cast<int>(span.weights.size())) break;
        ++firstOpenRow_;
    }
    for (int out = firstOpenRow_; out < gridSize_ && rowSpans_[out].first <= y; ++out) {
        const Span& span = rowSpans_[out];
        const std::size_t at = static_cast<std::size_t>(y - span.first);
        if (at >= span.weights.size()) continue;
        AddWeighted(sums_.data() + padded * out, row_.data(), span.weights[at], padded);
    }
}

// Then along the gridSize rows of sums, rounding once.
std::vector<std::uint8_t> GridReducer::Finish() {
    if (!handles_ || rowsAdded_ != height_) return {};
    const std::size_t padded = row_.size();
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
