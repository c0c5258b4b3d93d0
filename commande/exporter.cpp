// tarvelon --exporter: the calendar written as an agenda, contacts or a
// spreadsheet, by the file's extension.
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "echange/echange.h"

namespace commande {

int exporter(const QString& chemin, socle::Selection selection)
{
    socle::Database base;
    if (!ouvrirCalendrier(base))
        return 1;
    return rendre(echange::exporter(base, chemin, selection));
}

} // namespace commande
