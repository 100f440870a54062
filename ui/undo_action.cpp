// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/undo_action.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>

#include "files/journal.h"
#include "files/undo.h"
#include "run/messages.h"

namespace morvane {
namespace {

void UndoLastRun(QWidget& parent) {
    const std::string journal = LastJournal(JournalFolder());
    const UndoReport report = journal.empty() ? UndoReport{} : UndoRun(journal);
    const QString text = QString::fromStdString(UndoMessage(report, journal));
    if (journal.empty() || (report.Readable && report.AllBack()))
        QMessageBox::information(&parent, "Morvane", text);
    else
        QMessageBox::critical(&parent, "Morvane", text);
}

}  // namespace

QAction* AddUndoAction(QLineEdit& box) {
    auto* undo = new QAction(
        QCoreApplication::translate("UndoAction", "Вернуть файлы последнего запуска"), &box);
    undo->setObjectName("UndoLastRun");
    QObject::connect(undo, &QAction::triggered, &box, [&box] { UndoLastRun(*box.window()); });
    // Shown by the box's one right-click menu, which lists the box's own actions last.
    box.addAction(undo);
    return undo;
}

}  // namespace morvane
