// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/defaults.h"

namespace morvane {

int DefaultThreshold(ComparisonMode mode) {
    // 88 per cent: at most 8 of the 64 bits differ. On 32 photos and drawings, copies
    // brightened, re-encoded, resized or cut by a pixel stayed within 6 bits, unrelated
    // pictures kept 18 or more apart and mirror images 28 or more; greyscale copies of strongly
    // coloured pictures can drift further, since the fingerprint keeps only the mean of the
    // three colours.
    return mode == ComparisonMode::Similar ? 88 : 70;
}

}  // namespace morvane
