// tarvelon --bureau oui|non: the days in the desktop's own calendar; and the
// calendar file the desktop reads kept in step after each verb that changes
// the calendar.
#include "bureau/agenda.h"
#include "bureau/source.h"
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "store/calendrier.h"

namespace commande {

void suivreAuBureau()
{
    const bureau::Ecriture e = bureau::actualiserAgenda(store::calendarPath());
    if (!e.erreur.isEmpty())
        ecrire(stderr, QStringLiteral("tarvelon : le calendrier du bureau n'est pas à jour : %1.")
                           .arg(e.erreur));
}

int afficherAuBureau(bool oui)
{
    if (oui) {
        if (const QString absent = bureau::serviceAbsent(bureau::fichierAgenda());
            !absent.isEmpty())
            return echec(absent + '.');
        // The calendar made from the bundled one when there is none yet.
        socle::Database base;
        if (!ouvrirCalendrier(base))
            return 1;
        const bureau::Ecriture e = bureau::actualiserAgenda(store::calendarPath());
        if (!e.erreur.isEmpty())
            return echec(e.erreur + '.');
    }
    const QString erreur = bureau::inscrire(oui, bureau::fichierAgenda());
    if (!erreur.isEmpty())
        return echec(erreur + '.');
    ecrire(stdout, oui ? QStringLiteral("Les fêtes et anniversaires sont dans le calendrier du "
                                        "bureau (%1).")
                             .arg(bureau::fichierAgenda())
                       : QStringLiteral("Les fêtes et anniversaires ne sont plus dans le "
                                        "calendrier du bureau."));
    return 0;
}

} // namespace commande
