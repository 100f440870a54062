// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Window geometry is laid out in twips (1/1440 inch) and placed in pixels. Every control's
// design position is a twip value; these helpers turn it into pixels for the screen in use.
#include <QRect>

namespace morvane {

// Twips per pixel for a logical DPI: 1440 / dpi rounded to the nearest whole number, halves
// to the even neighbour (15 at 96 DPI, 12 at 120). A DPI that is not positive, or so high
// that the ratio would round to 0, gives the nearest usable value instead of a division by 0.
int TwipsPerPixelFor(double logicalDpi);

// Twips per pixel of the primary screen (15 when there is no screen yet).
int TwipsPerPixel();

// Twips to pixels by integer division (the remainder dropped).
int TwipsToPixels(int twips, int twipsPerPixel);
int TwipsToPixels(int twips);

// A design rectangle given in twips, in pixels.
QRect TwipsRect(int left, int top, int width, int height, int twipsPerPixel);
QRect TwipsRect(int left, int top, int width, int height);

}  // namespace morvane
