#pragma once
#include <QWidget>

namespace morvane {

// The main window (being built).
class PicView : public QWidget {
    Q_OBJECT
public:
    explicit PicView(QWidget* parent = nullptr);
};

}  // namespace morvane
