#include "windows/main/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace windows {

void PreparerApplication()
{
    QApplication::setApplicationName(QStringLiteral("Tarvelon"));
    QApplication::setDesktopFileName(QStringLiteral("tarvelon"));

    // The standard buttons of message boxes in French ("Oui", "Non").
    static QTranslator traduction;
    if (traduction.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traduction);
}

} // namespace windows
