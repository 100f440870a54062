// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace morvane {
namespace {

bool Install(QCoreApplication& app, const QString& file, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, folder)) return false;
    translator->setParent(&app);  // the application owns it from here on
    return QCoreApplication::installTranslator(translator.release());
}

}  // namespace

bool SpeaksRussian(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    return language == QLocale::Russian || language == QLocale::C ||
           language == QLocale::AnyLanguage;
}

bool InstallTranslations(QCoreApplication& app) {
    if (SpeaksRussian(QLocale::system()))
        return Install(app, "qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // Built into the program, so a build tree speaks English as the installed program does.
    return Install(app, "morvane_en", ":/i18n");
}

std::string WithArgument(std::string text, const std::string& value) {
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

}  // namespace morvane
