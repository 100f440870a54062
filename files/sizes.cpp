// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/sizes.h"

#include <sys/stat.h>

#include <cmath>

namespace morvane {
namespace {

constexpr double kTwoTo32 = 4294967296.0;
constexpr double kLargestLong32 = 2147483647.0;

}  // namespace

double RoundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5) return below + 1;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::int64_t FileSizeByName(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

std::int64_t OpenFileSize(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

double UnsignedToDouble(std::int32_t word) {
    return static_cast<double>(static_cast<std::uint32_t>(word));
}

double HiLoToDouble(std::int32_t high, std::int32_t low) {
    return static_cast<double>(high) * kTwoTo32 + UnsignedToDouble(low);
}

// Values outside the word's range after the shift have no defined result; they give the low
// 32 bits of the rounded value (NaN and infinities give 0) rather than undefined behaviour.
std::int32_t DoubleToLong32(double value) {
    if (value > kLargestLong32) value -= kTwoTo32;
    if (!std::isfinite(value)) return 0;
    const double rounded = std::fmod(RoundHalfEven(value), kTwoTo32);
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::int64_t>(rounded)));
}

std::int32_t DoubleToHiLo(double value, std::int32_t& high) {
    if (value == 0) {
        high = 0;
        return 0;
    }
    high = DoubleToLong32(std::trunc(value / kTwoTo32));
    return DoubleToLong32(value - static_cast<double>(high) * kTwoTo32);
}

}  // namespace morvane
