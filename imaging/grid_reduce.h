// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reduction of a decoded picture to the fingerprint grid, done on plain buffers as rows
// arrive from the decoder: a triangle filter whose kernel is widened by the shrink factor
// (1.5 steps either side), so every input pixel is weighed whatever the size. A picture and its
// half-size copy then give nearly the same cells, which a box shrink by whole factors
// followed by a small cubic does not.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvane {

class GridReducer {
  public:
    // A picture of width x height pixels of `bands` interleaved bytes each, reduced (or
    // enlarged) to gridSize x gridSize. Handles() is false only for empty sizes.
    GridReducer(int width, int height, int bands, int gridSize);

    bool Handles() const { return handles_; }

    // The picture's rows, top first, exactly `height` of them; only the first width x bands
    // bytes of each are read.
    void AddRow(const std::uint8_t* row);

    // gridSize x gridSize pixels of `bands` bytes, top row first; empty unless every row was
    // added.
    std::vector<std::uint8_t> Finish();

    // The normalised weights of one output pixel along one axis: input pixels first,
    // first + 1, ... (edges already folded in, so all lie inside the picture).
    struct Span {
        int first = 0;
        std::vector<float> weights;
    };
    // The spans of an axis of `size` input pixels reduced or enlarged to `out` pixels.
    static std::vector<Span> PlanAxis(int size, int out);

    // An output row a strip of rows goes into: strip rows [from, to), weighed by weights[0...].
    struct StripTarget {
        float* sums = nullptr;
        const float* weights = nullptr;
        int from = 0;
        int to = 0;
    };

  private:
    int height_ = 0;
    int bands_ = 0;
    int gridSize_ = 0;
    bool handles_ = false;
    std::size_t samples_ = 0;  // bytes in a row
    std::vector<Span> rowSpans_;
    std::vector<Span> columnSpans_;
    int rowsAdded_ = 0;
    int firstOpenRow_ = 0;     // the first output row still taking input rows
    std::size_t padded_ = 0;   // floats in a row of sums: samples_ rounded up to whole blocks
    std::vector<float> sums_;  // gridSize rows of width x bands weighted sums
    std::vector<std::uint8_t> strip_;  // rows not yet added, stripRows_ of stripCapacity_
    int stripCapacity_ = 0;
    int stripRows_ = 0;
    std::vector<StripTarget> targets_;

    void AddStripRows();
};

}  // namespace morvane
