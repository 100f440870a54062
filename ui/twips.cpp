// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace morvane {

namespace {
constexpr int kTwipsPerInch = 1440;
constexpr int kClassicTwipsPerPixel = 15;  // 96 DPI
}  // namespace

int TwipsPerPixelFor(double logicalDpi) {
    if (!(logicalDpi > 0.0)) return kClassicTwipsPerPixel;
    // lrint rounds halves to the even neighbour in the default rounding mode.
    const long rounded = std::lrint(kTwipsPerInch / logicalDpi);
    return rounded < 1 ? 1 : static_cast<int>(rounded);
}

int TwipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? TwipsPerPixelFor(screen->logicalDotsPerInchX()) : kClassicTwipsPerPixel;
}

int TwipsToPixels(int twips, int twipsPerPixel) {
    return twips / twipsPerPixel;
}

int TwipsToPixels(int twips) {
    return TwipsToPixels(twips, TwipsPerPixel());
}

QRect TwipsRect(int left, int top, int width, int height, int twipsPerPixel) {
    return QRect(TwipsToPixels(left, twipsPerPixel), TwipsToPixels(top, twipsPerPixel),
                 TwipsToPixels(width, twipsPerPixel), TwipsToPixels(height, twipsPerPixel));
}

QRect TwipsRect(int left, int top, int width, int height) {
    return TwipsRect(left, top, width, height, TwipsPerPixel());
}

}  // namespace morvane
