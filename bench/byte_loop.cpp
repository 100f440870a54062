// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison as written plainly: one byte at a time. Built with the compiler's
// auto-vectorisation off (see CMakeLists.txt), so it is the reference the kernels are measured
// against; ByteLoopVectorised is the same loop as the compiler vectorises it on its own.
#include "bench/byte_loop.h"

namespace morvane::bench {

int ByteLoop(const std::uint8_t* a, const std::uint8_t* b) {
    int equal = 0;
    for (int i = 0; i < 1024; ++i) equal += a[i] == b[i];
    return equal;
}

}  // namespace morvane::bench
