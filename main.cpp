#include "windows/main/tarvelon.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvelon"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvelon"));
    QApplication::setDesktopFileName(QStringLiteral("tarvelon"));

    // The standard buttons of message boxes in French ("Oui", "Non").
    QTranslator traduction;
    if (traduction.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traduction);

    Tarvelon fenetre;
    if (!fenetre.Form_Load())
        return 1;
    fenetre.show();
    return QApplication::exec();
}
