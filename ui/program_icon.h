// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own icon (two overlapping picture frames), for both windows.
#include <QIcon>

namespace morvane {

// The icon in every bundled size (16 to 256 pixels), from the program's resources.
QIcon ProgramIcon();

}  // namespace morvane
