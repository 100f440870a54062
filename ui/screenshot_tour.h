// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures of the windows for the documentation: the main window before a run, during the
// review of a pair, and the About window. Started by the window program when the variable
// MORVANE_SCREENSHOT names a folder to save them in.
#include <QString>

namespace morvane {

class PicView;

// Saves main-window.png, review.png (when `pictureFolder` is not empty: a run over it, taken
// once the first pair waits for a decision) and about.png into `outputFolder`, then ends
// the program with 0, or with 1 when a picture could not be made.
void StartScreenshotTour(PicView& window, const QString& outputFolder,
                         const QString& pictureFolder);

}  // namespace morvane
