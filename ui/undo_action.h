// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Undoing the last run's removals from the window: an entry in the folder box's own
// right-click menu, so the designed controls keep their places.
class QAction;
class QLineEdit;

namespace morvane {

// Adds "Вернуть файлы последнего запуска" to `box`'s own actions, which its right-click menu
// lists last; it puts back the files of the newest journal and tells the outcome in a message
// box.
QAction* AddUndoAction(QLineEdit& box);

}  // namespace morvane
