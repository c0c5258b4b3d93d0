// tarvelon --importer: a file of contacts, a spreadsheet, an Access database
// of the old program, or the old installation's folder, into the calendar.
#include "ancien/ancien.h"
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "echange/echange.h"
#include "store/calendrier.h"

namespace commande {

namespace {
constexpr int AttenteDUnImport = 30 * 1000;
}

int importer(const QString& chemin)
{
    socle::Database base;
    if (!ouvrirCalendrier(base))
        return 1;
    // From the terminal, another program's store (an import started at the
    // same moment, the morning synchronisation) is waited for longer than
    // the window's three seconds: the user asked for this one and waits.
    base.setBusyTimeout(AttenteDUnImport);
    const int code =
        rendre(ancien::estAncien(chemin) ? ancien::importer(base, chemin, store::dataFolder())
                                         : echange::importer(base, chemin));
    suivreAuBureau();
    return code;
}

} // namespace commande
