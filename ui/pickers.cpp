// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pickers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>

#include "files/paths.h"
#include "run/program_folder.h"

namespace morvane {
namespace {

// "caption|patterns|caption|patterns|..."; patterns are separated by ";".
constexpr const char* kFilterText =
    "(*.*)|*.*|(*.txt, *.ini, *.cfg, *.doc, *.log)|*.txt;*.ini;*.cfg;*.doc;*.log|"
    "(*.bmp, *.jpg, *.wmf *.png)|*.bmp;*.jpg;*.wmf;*.png|(*.FileList)|*.FileList|(*.exe)|*.exe";

}  // namespace

QStringList FilterList() {
    const QStringList parts = QString::fromUtf8(kFilterText).split('|');
    QStringList filters;
    // Qt reads the patterns from the last parenthesised group, separated by blanks.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QString("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
    return filters;
}

QString FolderPickerTitle() {
    return QCoreApplication::translate("Pickers", "Выбор каталога:");
}

QString FolderPickerStart(const QString& fieldText) {
    if (PathExists(fieldText.toStdString(), true)) return fieldText;
    return QDir::homePath();
}

QString ListPickerStart(const QString& fieldText) {
    const std::string folder = FolderOfPath(fieldText.toStdString());
    if (PathExists(folder, true)) return QString::fromStdString(folder);
    return QString::fromStdString(ProgramFolder());
}

QString FileDialogPickers::PickFolder(QWidget* owner, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

QString FileDialogPickers::PickSaveFile(QWidget* owner, int filterIndex, const QString& title,
                                        const QString& proposedName, const QString& startFolder) {
    QFileDialog dialog(owner, title, startFolder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Set after the save mode, which would otherwise put in its own caption for an empty one.
    dialog.setWindowTitle(title);
    // Each entry is listed by its caption alone; the patterns stay behind it.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = FilterList();
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace morvane
