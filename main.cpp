#include "commande/commande.h"
#include "proches/proches.h"
#include "store/calendrier.h"
#include "windows/bureau/bureau.h"
#include "windows/echange/fenetre.h"
#include "windows/main/application.h"
#include "windows/main/tarvelon.h"
#include "windows/proches/dialogue.h"
#include "windows/synchro/synchronisation.h"

#include <QApplication>
#include <QFile>
#include <thread>

int main(int argc, char* argv[])
{
    commande::garderLesMessagesDeQt();
    // Importing and exporting need no display and no window.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> code = commande::executer(arguments))
        return *code;
    if (const std::optional<int> code = commande::sansEcran())
        return *code;

    QApplication app(argc, argv);
    windows::PreparerApplication();

    windows::Tarvelon fenetre;
    // Asked before the load, which makes a missing calendar.
    const std::optional<QString> ancienne =
        echange::proposerAncienneInstallation(store::calendarPath());
    if (!fenetre.Form_Load())
        return 1;
    echange::installer(
        &fenetre, fenetre.Data1->database(), [&fenetre] { fenetre.Actualiser(); },
        [&fenetre] { return fenetre.PreparerImport(); });
    if (ancienne)
        echange::reprendreAncienneInstallation(fenetre.Data1->database(), *ancienne);
    // Owned by the window. The address books' new birthdays show as the
    // window allows.
    new synchro::Synchronisation(&fenetre, fenetre.Data1->databaseName(),
                                 [&fenetre] { fenetre.ActualiserSiLibre(); });
    proches::installer(&fenetre);
    // The desktop's calendar file kept in step, a tick of the menu.
    new bureau::Bureau(&fenetre, fenetre.Data1->databaseName());
    if (const std::optional<QString> fiche = commande::ficheAMontrer(arguments))
        bureau::montrerFiche(&fenetre, *fiche);
    fenetre.show();
    // The people follow the birthday entries, on a connection and a thread
    // of their own: the window never waits for them. Once at start, once
    // after the window (what was typed meanwhile).
    const std::string calendrier = QFile::encodeName(fenetre.Data1->databaseName()).toStdString();
    const auto suivreLesProches = [calendrier] {
        socle::Database base;
        if (base.open(calendrier, socle::OpenMode::ReadWrite))
            proches::suivreLeCalendrier(base);
    };
    std::thread auDemarrage(suivreLesProches);
    const int code = QApplication::exec();
    auDemarrage.join();
    suivreLesProches();
    return code;
}
