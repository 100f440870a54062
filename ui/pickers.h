// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder and save-file choosers behind the "<<" buttons, behind a small interface so
// that the window can be driven without real dialogs.
#include <QString>
#include <QStringList>

#include "run/defaults.h"

class QWidget;

namespace morvane {

class PickerDialogs {
  public:
    virtual ~PickerDialogs() = default;
    // The chosen folder, or "" when cancelled.
    virtual QString PickFolder(QWidget* owner, const QString& title, const QString& start) = 0;
    // The chosen path as typed (no extension added), or "" when cancelled. filterIndex
    // counts from 1 in FilterList(); an existing file brings the overwrite question.
    virtual QString PickSaveFile(QWidget* owner, int filterIndex, const QString& title,
                                 const QString& proposedName, const QString& startFolder) = 0;
};

// The real dialogs (QFileDialog).
class FileDialogPickers : public PickerDialogs {
  public:
    QString PickFolder(QWidget* owner, const QString& title, const QString& start) override;
    QString PickSaveFile(QWidget* owner, int filterIndex, const QString& title,
                         const QString& proposedName, const QString& startFolder) override;
};

inline constexpr const char* kProposedListName = kListFileName;
inline constexpr int kListFilterIndex = 2;

// The save dialog's filters, in dialog order, as the dialog shows them: the caption of
// each entry followed by its patterns.
QStringList FilterList();

// Where the folder chooser of a field opens: the field's folder when it exists, else the
// user's home folder.
QString FolderPickerStart(const QString& fieldText);
// The folder chooser's title.
QString FolderPickerTitle();
// Where the list-file chooser opens: the folder part of the field when it exists, else the
// program folder.
QString ListPickerStart(const QString& fieldText);

}  // namespace morvane
