#pragma once
// Qt's own texts (the buttons of message boxes, the file and colour dialogs) in Chinese,
// whatever the system's locale, so they read like the program's own.

class QCoreApplication;

namespace app {

// Loads Qt's Chinese translations from Qt's translations folder into the application;
// false when none could be loaded (the package that holds them is missing).
bool InstallQtTranslations(QCoreApplication& application);

}  // namespace app
