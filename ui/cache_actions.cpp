// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/cache_actions.h"

#include <QAction>
#include <QCoreApplication>
#include <QWidget>
#include <QtGlobal>
#include <filesystem>
#include <system_error>

#include "run/fingerprint_cache.h"

namespace morvane {
namespace {

// A cache that was never made is left unmade; a failure is only noted, never a box.
void ClearCache() {
    const std::string path = DefaultCachePath();
    std::error_code ignored;
    if (path.empty() || !std::filesystem::exists(path, ignored)) return;
    const auto cache = FingerprintCache::Open(
        path, [](const std::string& message) { qWarning("%s", message.c_str()); });
    if (cache) cache->Clear();
}

}  // namespace

QAction* AddCacheActions(QWidget& form, QWidget& box) {
    auto* use = new QAction(QCoreApplication::translate("CacheActions", "Кэш отпечатков"), &form);
    use->setObjectName("CacheUse");
    use->setCheckable(true);
    use->setChecked(true);
    use->setToolTip(QCoreApplication::translate(
        "CacheActions", "Не читать заново картинки, которые не менялись с прошлого поиска"));
    auto* clear =
        new QAction(QCoreApplication::translate("CacheActions", "Очистить кэш отпечатков"), &form);
    clear->setObjectName("CacheClear");
    QObject::connect(clear, &QAction::triggered, &form, [] { ClearCache(); });
    for (QWidget* widget : {&form, &box}) {
        widget->addActions({use, clear});
        widget->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    return use;
}

}  // namespace morvane
