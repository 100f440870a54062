#pragma once
// Qt's own texts (the buttons and captions of its dialogs) in Russian, like the window.
class QCoreApplication;

namespace morvane {

// Loads Qt's Russian translation into `app`; false when it is not installed, and the
// dialogs then keep Qt's English texts.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace morvane
