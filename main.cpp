#include "commande/commande.h"
#include "windows/echange/fenetre.h"
#include "windows/main/application.h"
#include "windows/main/tarvelon.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    // Importing and exporting need no display and no window.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> code = commande::executer(arguments))
        return *code;

    QApplication app(argc, argv);
    windows::PreparerApplication();

    windows::Tarvelon fenetre;
    // Asked before the load, which makes a missing calendar.
    const std::optional<QString> ancienne = echange::proposerAncienneInstallation(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/tarvelon/tarvelon.db"));
    if (!fenetre.Form_Load())
        return 1;
    echange::installer(
        &fenetre, fenetre.Data1->database(), [&fenetre] { fenetre.Actualiser(); },
        [&fenetre] { return fenetre.PreparerImport(); });
    if (ancienne)
        echange::reprendreAncienneInstallation(fenetre.Data1->database(), *ancienne);
    fenetre.show();
    return QApplication::exec();
}
