// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/front_end.h"

namespace morvane::cli {

std::string DisposalText(const Options& options) {
    if (options.Dispose == DisposalWay::MoveToFolder) return "move:" + options.MoveFolder;
    return DisposalWayName(options.Dispose);
}

}  // namespace morvane::cli
