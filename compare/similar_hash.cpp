#include "compare/similar_hash.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>

#include "compare/threshold.h"
#include "imaging/fingerprint.h"

namespace morvane {
namespace {

constexpr int kFrequencies = 8;

// The cosine basis in whole numbers. Rounding is symmetric, so every row but the first sums
// to exactly 0 and a flat picture gives exactly zero coefficients: its hash does not depend
// on rounding noise.
using Basis = std::array<std::array<std::int32_t, GridSize>, kFrequencies>;
// The same, position first, so that one position feeds eight frequencies at once.
using TransposedBasisTable = std::array<std::array<std::int32_t, kFrequencies>, GridSize>;

Basis MakeBasis() {
    Basis basis{};
    for (int u = 0; u < kFrequencies; ++u)
        for (int x = 0; x < GridSize; ++x)
            basis[u][x] = static_cast<std::int32_t>(std::lround(
                1024.0 * std::cos(std::numbers::pi * u * (2 * x + 1) / (2 * GridSize))));
    return basis;
}

const Basis& CosineBasis() {
    static const Basis basis = MakeBasis();
    return basis;
}

const TransposedBasisTable& TransposedBasis() {
    static const TransposedBasisTable transposed = [] {
        TransposedBasisTable made{};
        for (int u = 0; u < kFrequencies; ++u)
            for (int x = 0; x < GridSize; ++x) made[x][u] = CosineBasis()[u][x];
        return made;
    }();
    return transposed;
}

}  // namespace

std::uint64_t PerceptualHash(const std::uint8_t* cells) {
    const Basis& basis = CosineBasis();
    // Along the columns first: 8 vertical frequencies x 32 columns.
    std::array<std::array<std::int32_t, GridSize>, kFrequencies> columns{};
    for (int v = 0; v < kFrequencies; ++v)
        for (int y = 0; y < GridSize; ++y) {
            const std::int32_t weight = basis[v][y];
            const std::uint8_t* row = cells + y * GridSize;
            for (int x = 0; x < GridSize; ++x) columns[v][x] += weight * row[x];
        }
    // Then along the rows, in 32 bits: the column sums lose their 10 fraction bits of the
    // basis first (a flat row stays flat, so a flat picture still gives zeros).
    const TransposedBasisTable& across = TransposedBasis();
    std::array<std::array<std::int32_t, kFrequencies>, kFrequencies> sums{};
    for (int v = 0; v < kFrequencies; ++v)
        for (int x = 0; x < GridSize; ++x) {
            const std::int32_t column = columns[v][x] >> 10;
            for (int u = 0; u < kFrequencies; ++u) sums[v][u] += across[x][u] * column;
        }
    std::array<std::int32_t, kFrequencies * kFrequencies> coefficients{};
    for (int v = 0; v < kFrequencies; ++v)
        std::copy(sums[v].begin(), sums[v].end(), coefficients.begin() + v * kFrequencies);
    std::array<std::int32_t, kFrequencies * kFrequencies - 1> ac{};
    std::copy(coefficients.begin() + 1, coefficients.end(), ac.begin());
    std::nth_element(ac.begin(), ac.begin() + ac.size() / 2, ac.end());
    const std::int32_t median = ac[ac.size() / 2];
    std::uint64_t hash = 0;
    for (std::size_t i = 1; i < coefficients.size(); ++i)
        if (coefficients[i] > median) hash |= std::uint64_t{1} << i;
    return hash;
}

std::uint8_t MeanLevel(const std::uint8_t* cells) {
    int sum = 0;
    for (int cell = 0; cell < GridSize * GridSize; ++cell) sum += cells[cell];
    return static_cast<std::uint8_t>(sum / (GridSize * GridSize));
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
