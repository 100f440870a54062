#include "about/about_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "about/version.h"

namespace morvane {

QString ProgramTag() {
    return QStringLiteral("Morvane_KT");
}

QString DocumentationFolder() {
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString installed = QDir::cleanPath(programFolder.filePath("../share/doc/morvane"));
    if (QFileInfo::exists(installed + QStringLiteral("/README.md"))) return installed;
    const QString checkout = QDir::cleanPath(programFolder.filePath(".."));
    if (QFileInfo::exists(checkout + QStringLiteral("/README.md"))) return checkout;
    return installed;
}

QString DocumentationFile() {
    return DocumentationFolder() + QStringLiteral("/README.md");
}

std::array<QString, kAboutLineCount> AboutLineTexts(const QDate& today) {
    return {
        QStringLiteral("© Разработчики Morvane, ") + today.toString(u"yyyy") +
            QStringLiteral("\nПоиск похожих картинок"),
        QStringLiteral("Построено на Qt 6 и libvips"),
        QDir::toNativeSeparators(DocumentationFile()),
        QDir::toNativeSeparators(DocumentationFolder()),
        ProgramTag() + QStringLiteral("    v.") + VersionText(),
    };
}

}  // namespace morvane
