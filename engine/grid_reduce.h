#pragma once
// The reduction of a decoded picture to the fingerprint grid, done on plain buffers as rows
// arrive from the decoder: libvips' cubic resize (Catmull-Rom, reducing gap 2, 8-bit fixed
// point) computed the way its reduce operations compute it, without the cost of running a
// libvips pipeline for every picture.
#include <cstdint>
#include <vector>

namespace morvane {

class GridReducer {
  public:
    // A picture of width x height pixels of `bands` interleaved bytes each. Only reductions
    // are handled: Handles() is false when a side is shorter than the grid.
    GridReducer(int width, int height, int bands, int gridSize);

    bool Handles() const { return handles_; }

    // The picture's rows, top first, exactly `height` of them; only the first width x bands
    // bytes of each are read.
    void AddRow(const std::uint8_t* row);

    // gridSize x gridSize pixels, top row first; empty unless every row was added.
    std::vector<std::uint8_t> Finish();

  private:
    // One axis: a box shrink by a whole factor, then a cubic reduce by what remains.
    struct Axis {
        int size = 0;                         // pixels before the box shrink
        int boxFactor = 1;                    // whole factor of the box shrink
        int boxed = 0;                        // pixels after it
        int out = 0;                          // pixels after the cubic reduce
        bool cubic = false;                   // whether a cubic reduce follows
        double shrink = 1.0;                  // factor of the cubic reduce
        double offset = 0.0;                  // origin of the cubic reduce inside its input
        int points = 0;                       // taps of the cubic reduce
        std::vector<std::vector<int>> masks;  // fixed-point taps per sub-pixel position
    };
    static Axis PlanAxis(int size, int gridSize);

    void PutBoxedRow();
    std::vector<std::uint8_t> ReduceRows() const;
    std::vector<std::uint8_t> ReduceColumns(const std::vector<std::uint8_t>& rows) const;

    int bands_;
    bool handles_ = false;
    Axis rows_;
    Axis columns_;
    int rowsAdded_ = 0;
    int rowsInBox_ = 0;
    std::vector<int> rowSum_;          // sums of the rows in the current box
    std::vector<std::uint8_t> boxed_;  // the box-shrunk rows, full width
};

}  // namespace morvane
