// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The masks box's context menu: the standard edit actions, then the masks of every format the
// program reads and the default masks, one choice away.
class QLineEdit;

namespace morvane {

// Gives `box` that menu. Each choice replaces the box's text as one edit, so Undo brings the
// typed masks back.
void AddMasksMenu(QLineEdit& box);

}  // namespace morvane
