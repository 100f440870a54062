// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/screenshot_tour.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "ui/about/about_window.h"
#include "ui/pic_view.h"

namespace morvane {
namespace {

bool Save(QWidget& widget, const QString& folder, const char* name) {
    const QString path = QDir(folder).filePath(name);
    const bool saved = widget.grab().save(path, "PNG");
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved;
}

// Waits without blocking the event loop until `ready` holds, then runs `then`.
void WhenReady(QObject* context, std::function<bool()> ready, std::function<void()> then,
               int triesLeft = 600) {
    if (ready() || triesLeft == 0) return then();
    QTimer::singleShot(100, context, [=] { WhenReady(context, ready, then, triesLeft - 1); });
}

}  // namespace

void StartScreenshotTour(PicView& window, const QString& outputFolder,
                         const QString& pictureFolder) {
    QDir().mkpath(outputFolder);
    auto ok = std::make_shared<bool>(true);
    const auto finish = [&window, outputFolder, ok] {
        fAbout about(&window);
        about.show();
        *ok = Save(about, outputFolder, "about.png") && *ok;
        QCoreApplication::exit(*ok ? 0 : 1);
    };
    QTimer::singleShot(500, &window, [&window, outputFolder, pictureFolder, ok, finish] {
        *ok = Save(window, outputFolder, "main-window.png");
        if (pictureFolder.isEmpty()) return finish();
        window.findChild<QLineEdit*>("Text1_0")->setText(pictureFolder);
        window.findChild<QPushButton*>("Command1")->click();
        WhenReady(
            &window, [&window] { return window.IsAwaitingDecision(); },
            [&window, outputFolder, ok, finish] {
                // Let the pictures of the pair paint before the grab.
                QTimer::singleShot(300, &window, [&window, outputFolder, ok, finish] {
                    *ok = window.IsAwaitingDecision() && Save(window, outputFolder, "review.png") &&
                          *ok;
                    window.findChild<QPushButton*>("Command1")->click();  // Stop
                    finish();
                });
            });
    });
}

}  // namespace morvane
