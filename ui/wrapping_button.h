// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A push button whose caption wraps onto more lines when it does not fit, like the
// buttons of the original form; its text() stays the caption as given.
#include <QPushButton>

namespace morvane {

class WrappingButton : public QPushButton {
    Q_OBJECT
  public:
    WrappingButton(const QString& caption, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace morvane
