// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Counting the equal cells of two fingerprints, with the vector instructions the processor
// has (chosen at run time) and an early exit for pairs that can no longer reach a threshold.
#include <cstdint>

namespace morvane {

inline constexpr int kFingerprintCells = 1024;

enum class CellKernel { Plain, Sse2, Avx2, Avx512 };

const char* KernelName(CellKernel kernel);
bool KernelAvailable(CellKernel kernel);
// The fastest kernel this processor runs, unless ForceCellKernel chose another.
CellKernel ActiveCellKernel();
// Makes every later count use `kernel` (tests and benchmarks); ignored when it is not available.
void ForceCellKernel(CellKernel kernel);
// Back to the fastest kernel.
void ResetCellKernel();

// Equal cells among the 1024 of `a` and `b` (no alignment needed).
int CountEqualCells(CellKernel kernel, const std::uint8_t* a, const std::uint8_t* b);

// The exact count when it reaches `leastEqual`; otherwise a number below `leastEqual`: the
// count stops as soon as more than 1024 - leastEqual cells differ.
int CountEqualCellsAtLeast(CellKernel kernel, const std::uint8_t* a, const std::uint8_t* b,
                           int leastEqual);

// Compares `head` with `count` fingerprints stored one after the other from `block`. For each
// i, equal[i] is CountEqualCellsAtLeast(head, block + 1024 i, leastEqual), or -1 when
// skip[i] is nonzero (that fingerprint is not read).
void CountEqualCellsMany(CellKernel kernel, const std::uint8_t* head, const std::uint8_t* block,
                         int count, const std::uint8_t* skip, int leastEqual, std::int16_t* equal);

}  // namespace morvane
