// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reference folders as the window offers them: entries added to the folder box's own
// context menu, so the designed controls keep their places. Their pictures are compared with
// the others but never removed.
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QMenu;

namespace morvane {

class ReferenceFolders : public QObject {
    Q_OBJECT
  public:
    // `pick` asks for a folder and answers "" when cancelled.
    ReferenceFolders(QLineEdit& box, std::function<QString()> pick);

    const std::vector<std::string>& Folders() const { return folders_; }
    // A folder named twice is kept once.
    void Add(const std::string& folder);
    void Remove(std::size_t index);
    void Clear();
    // After the box's edit entries: "add", one entry per folder that removes it, and "clear".
    void FillMenu(QMenu& menu);

  private:
    void ShowInToolTip();

    QLineEdit& box_;
    std::function<QString()> pick_;
    std::vector<std::string> folders_;
};

}  // namespace morvane
