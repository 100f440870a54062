// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's language. Its texts are written in Russian, which stays the default; a locale
// that names another language gets the English translation, and Qt's own dialog texts follow.
#include <QString>
#include <string>

class QCoreApplication;
class QLocale;

namespace morvane {

// Russian for a Russian locale and for C and POSIX, which name no language.
bool SpeaksRussian(const QLocale& locale);

// Loads the translations the system's locale asks for into `app`; false when one could not
// be loaded, and the texts then stay as written.
bool InstallTranslations(QCoreApplication& app);

// A translated text for the std::string interfaces below the window (UTF-8).
inline std::string Utf8(const QString& text) {
    return text.toStdString();
}

// `text` with its "%1" replaced by `value` byte for byte: a path need not be valid UTF-8.
std::string WithArgument(std::string text, const std::string& value);

}  // namespace morvane
