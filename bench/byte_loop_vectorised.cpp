// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/byte_loop.h"

namespace morvane::bench {

int ByteLoopVectorised(const std::uint8_t* a, const std::uint8_t* b) {
    int equal = 0;
    for (int i = 0; i < 1024; ++i) equal += a[i] == b[i];
    return equal;
}

}  // namespace morvane::bench
