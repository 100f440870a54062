#include "ui/undo_action.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <memory>

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
    auto* undo = new QAction("Вернуть файлы последнего запуска", &box);
    undo->setObjectName("UndoLastRun");
    QObject::connect(undo, &QAction::triggered, &box, [&box] { UndoLastRun(*box.window()); });
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&box, &QWidget::customContextMenuRequested, &box, [&box, undo](QPoint at) {
        const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        menu->addSeparator();
        menu->addAction(undo);
        menu->exec(box.mapToGlobal(at));
    });
    return undo;
}

}  // namespace morvane
