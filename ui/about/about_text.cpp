// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about/about_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "ui/about/version.h"

namespace morvane {

namespace {
const QString kReadme = QStringLiteral("README.md");

QString SourceFolder() {
#ifdef MORVANE_SOURCE_DIR
    return QStringLiteral(MORVANE_SOURCE_DIR);
#else
    return {};
#endif
}
}  // namespace

QString ProgramTag() {
    return QStringLiteral("Morvane_KT");
}

QString DocumentationFolderFor(const QString& programFolder, const QString& sourceFolder) {
    const QString installed =
        QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral("../share/doc/morvane")));
    for (const QString& folder : {installed, sourceFolder})
        if (!folder.isEmpty() && QFileInfo(QDir(folder).filePath(kReadme)).isFile())
            return QDir::cleanPath(folder);
    return {};
}

QString DocumentationFolder() {
    return DocumentationFolderFor(QCoreApplication::applicationDirPath(), SourceFolder());
}

std::array<QString, kAboutLineCount> AboutLineTexts(const QDate& today,
                                                    const QString& documentation) {
    const bool found = !documentation.isEmpty();
    return {
        QCoreApplication::translate("AboutText",
                                    "© Разработчики Morvane, %1\nПоиск похожих картинок")
            .arg(today.toString(u"yyyy")),
        QCoreApplication::translate("AboutText", "Построено на Qt 6 и libvips"),
        found ? QDir::toNativeSeparators(QDir(documentation).filePath(kReadme))
              : QCoreApplication::translate("AboutText", "Документация не установлена"),
        found ? QDir::toNativeSeparators(documentation)
              : QCoreApplication::translate("AboutText", "Справка: morvane-cli --help"),
        ProgramTag() + QStringLiteral("    v.") + VersionText(),
    };
}

}  // namespace morvane
