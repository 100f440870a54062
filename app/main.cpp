#include <QApplication>
#include <vips/vips8>

#include "ui/pic_view.h"

int main(int argc, char* argv[]) {
    if (VIPS_INIT(argv[0])) return 1;
    QApplication app(argc, argv);
    morvane::PicView window;
    window.show();
    const int status = app.exec();
    vips_shutdown();
    return status;
}
