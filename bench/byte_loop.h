// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reference counts of equal cells for the benchmarks.
#include <cstdint>

namespace morvane::bench {

int ByteLoop(const std::uint8_t* a, const std::uint8_t* b);
int ByteLoopVectorised(const std::uint8_t* a, const std::uint8_t* b);

}  // namespace morvane::bench
