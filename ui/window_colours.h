// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colours of the main window and the helpers that put them on a control.
#include <QColor>

class QWidget;

namespace morvane {

inline const QColor kFormBlue{53, 83, 130};
inline const QColor kWhite{255, 255, 255};
inline const QColor kPaleGreen{208, 255, 208};
inline const QColor kPaleCyan{192, 255, 255};
inline const QColor kPaleOrange{255, 224, 192};

// The theme's background of an input field.
QColor InputFieldColour();
// White text on the form blue (captions, the frame, the check boxes).
void PaintOnFormBlue(QWidget* widget);
// The theme's input-field text on the given background, filled.
void PaintCell(QWidget* widget, const QColor& background);

}  // namespace morvane
