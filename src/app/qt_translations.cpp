#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

bool InstallQtTranslations(QCoreApplication& application) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
    bool loaded = false;
    // "qtbase" holds the widgets' texts; "qt" is the umbrella file some installations ship.
    for (const char* name : {"qtbase", "qt"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(chinese, QString::fromLatin1(name), QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            loaded = true;
        } else {
            delete translator;
        }
    }
    return loaded;
}

}  // namespace app
