// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_colours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace morvane {

QColor InputFieldColour() {
    return QApplication::palette().color(QPalette::Base);
}

void PaintOnFormBlue(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, kFormBlue);
    palette.setColor(QPalette::WindowText, kWhite);
    widget->setPalette(palette);
    // Buttons (the check boxes) would otherwise fill with the button colour.
    widget->setBackgroundRole(QPalette::Window);
    widget->setAutoFillBackground(true);
}

void PaintCell(QWidget* widget, const QColor& background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Text));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace morvane
