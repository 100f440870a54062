// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a disposal would meet, found out without changing anything: for a dry run that tells
// the same as the real one.
#include <sys/types.h>

#include <optional>
#include <string>

#include "files/disposal.h"

namespace morvane {

// The result DisposeFile(path, way, moveFolder, compared, kept) would give: removed when the file
// would go (with the problem that goes with it, such as ContentKept), else the problem that
// would keep it. Only `where` is left empty. The system can still change its mind: a disk
// filling up or a file changed meanwhile.
DisposalResult CheckDisposal(const std::string& path, DisposalWay way,
                             const std::string& moveFolder,
                             const std::optional<FileStamp>& compared, const KeptFile& kept = {});

// The device a file moved into `folder` lands on: the folder's, or, while it is still to be
// made, that of its nearest existing level; nothing when it cannot be made.
std::optional<dev_t> DeviceOfMoveFolder(const std::string& folder);

}  // namespace morvane
