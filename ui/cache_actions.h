// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fingerprint cache as the window offers it: a context menu on the form and on the
// "Похожие" box, so the designed controls keep their places.
class QAction;
class QWidget;

namespace morvane {

// Adds "Кэш отпечатков" (ticked: runs use the cache) and "Очистить кэш отпечатков" to the
// context menus of `form` and `box`; returns the first, owned by `form`.
QAction* AddCacheActions(QWidget& form, QWidget& box);

}  // namespace morvane
