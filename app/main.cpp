// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <vips/vips8>

#include "run/language.h"
#include "ui/pic_view.h"
#include "ui/screenshot_tour.h"

int main(int argc, char* argv[]) {
    if (VIPS_INIT(argv[0])) return 1;
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName("morvane");
        morvane::InstallTranslations(app);
        morvane::PicView window;
        window.show();
        // For the documentation only: save pictures of the windows, then end.
        const QString screenshots = qEnvironmentVariable("MORVANE_SCREENSHOT");
        if (!screenshots.isEmpty())
            morvane::StartScreenshotTour(window, screenshots,
                                         qEnvironmentVariable("MORVANE_SCREENSHOT_FOLDER"));
        status = app.exec();
    }
    vips_shutdown();
    return status;
}
