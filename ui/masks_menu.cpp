// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/masks_menu.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <memory>

#include "run/defaults.h"
#include "run/messages.h"

namespace morvane {
namespace {

QAction* MasksAction(QLineEdit& box, const char* name, const std::string& text, const char* masks) {
    auto* action = new QAction(QString::fromStdString(text), &box);
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, &box, [&box, masks] {
        box.selectAll();
        box.insert(masks);
    });
    return action;
}

}  // namespace

void AddMasksMenu(QLineEdit& box) {
    QAction* const all =
        MasksAction(box, "MasksAllFormats", AllFormatsActionText(), kAllFormatsMasks);
    QAction* const standard =
        MasksAction(box, "MasksDefault", DefaultMasksActionText(), kDefaultMasks);
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&box, &QWidget::customContextMenuRequested, &box,
                     [&box, all, standard](const QPoint& position) {
                         const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
                         menu->addSeparator();
                         menu->addActions({all, standard});
                         menu->exec(box.mapToGlobal(position));
                     });
}

}  // namespace morvane
