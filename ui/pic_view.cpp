#include "ui/pic_view.h"

namespace morvane {

PicView::PicView(QWidget* parent) : QWidget(parent) { setWindowTitle("Morvane"); }

}  // namespace morvane
