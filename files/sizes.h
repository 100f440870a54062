// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File sizes (64-bit throughout) and the word-pair conversions.
#include <cstdint>
#include <string>

namespace morvane {

// Size in bytes; -1 when no file (or a folder) is found.
std::int64_t FileSizeByName(const std::string& path);
// Size of an open file descriptor; -1 when it cannot be asked.
std::int64_t OpenFileSize(int fd);

// The nearest whole number, a tie going to the even neighbour, whatever the rounding mode.
double RoundHalfEven(double value);

double UnsignedToDouble(std::int32_t word);
double HiLoToDouble(std::int32_t high, std::int32_t low);
std::int32_t DoubleToLong32(double value);
// Returns the low word and stores the high word.
std::int32_t DoubleToHiLo(double value, std::int32_t& high);

}  // namespace morvane
