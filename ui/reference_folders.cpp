// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/reference_folders.h"

#include <QLineEdit>
#include <QMenu>
#include <algorithm>
#include <memory>

#include "files/paths.h"
#include "run/messages.h"

namespace morvane {

ReferenceFolders::ReferenceFolders(QLineEdit& box, std::function<QString()> pick)
    : QObject(&box), box_(box), pick_(std::move(pick)) {
    setObjectName("ReferenceFolders");
    box_.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&box_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const std::unique_ptr<QMenu> menu(box_.createStandardContextMenu());
        FillMenu(*menu);
        // The box's own entries (such as undoing the last run) come last.
        if (!box_.actions().isEmpty()) {
            menu->addSeparator();
            menu->addActions(box_.actions());
        }
        menu->exec(box_.mapToGlobal(at));
    });
}

void ReferenceFolders::Add(const std::string& folder) {
    const std::string root = AddTrailingBackslash(folder);
    if (root.empty() || std::find(folders_.begin(), folders_.end(), root) != folders_.end()) return;
    folders_.push_back(root);
    ShowInToolTip();
}

void ReferenceFolders::Remove(std::size_t index) {
    if (index >= folders_.size()) return;
    folders_.erase(folders_.begin() + static_cast<std::ptrdiff_t>(index));
    ShowInToolTip();
}

void ReferenceFolders::Clear() {
    folders_.clear();
    ShowInToolTip();
}

void ReferenceFolders::FillMenu(QMenu& menu) {
    menu.addSeparator();
    QAction* add = menu.addAction(QString::fromStdString(AddReferenceFolderText()));
    add->setObjectName("ReferenceAdd");
    connect(add, &QAction::triggered, this, [this] {
        const QString chosen = pick_();
        if (!chosen.isEmpty()) Add(chosen.toStdString());
    });
    for (std::size_t i = 0; i < folders_.size(); ++i) {
        QAction* remove =
            menu.addAction(QString::fromStdString(RemoveReferenceFolderText(folders_[i])));
        connect(remove, &QAction::triggered, this, [this, i] { Remove(i); });
    }
    QAction* clear = menu.addAction(QString::fromStdString(ClearReferenceFoldersText()));
    clear->setEnabled(!folders_.empty());
    connect(clear, &QAction::triggered, this, [this] { Clear(); });
}

// The folders stay in view without a control of their own.
void ReferenceFolders::ShowInToolTip() {
    QString tip;
    for (const std::string& folder : folders_) tip += "\n" + QString::fromStdString(folder);
    box_.setToolTip(tip.isEmpty() ? QString()
                                  : QString::fromStdString(ReferenceFoldersTitle()) + tip);
}

}  // namespace morvane
