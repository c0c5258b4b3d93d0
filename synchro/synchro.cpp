#include "synchro/synchro.h"

#include "socle/raisons.h"
#include "socle/sqlite.h"
#include "store/calendrier.h"
#include "synchro/carnets.h"
#include "synchro/etat.h"
#include "synchro/ouverture.h"
#include "synchro/partage.h"

#include <QFile>

namespace synchro {

Bilan synchroniser(const Compte& compte, const QString& motDePasse,
                   const QString& fichierCalendrier, const Avancement& avancement)
{
    // One run at a time: another one under way is waited for a moment, else
    // this one stops (its changes would be counted as the user's).
    const VerrouDeSynchronisation verrou(AttenteDUneAutreSynchronisation);
    if (!verrou.pris())
        return {false,
                QStringLiteral("La synchronisation n'a pas pu se faire : %1.").arg(verrou.raison()),
                0};
    // The calendar of the window, made from the bundled one if it is not there yet.
    socle::Database base;
    QString message;
    if (!store::openCalendar(base, fichierCalendrier, &message))
        return {false,
                QStringLiteral("La synchronisation n'a pas pu se faire : ") +
                    message.replace(QStringLiteral("\n\r"), QStringLiteral("\n")),
                0};
    Connexion connexion(compte, motDePasse);

    // The table, read once for the whole run; the address books first, so
    // that the calendar knows their new people (with none followed, this
    // only drops the state of books left).
    QStringList textes;
    const auto illisible = [&](int code, bool tableChangee) {
        textes << QStringLiteral("La synchronisation n'a pas pu se faire : le calendrier %1 ne "
                                 "peut pas être lu : %2.")
                      .arg(fichierCalendrier, QString::fromStdString(socle::raisonSqlite(code)));
        return Bilan{false, textes.join(QLatin1Char('\n')), 0, tableChangee};
    };
    socle::Instantane table;
    if (const int code = socle::lireInstantane(base, table); code != socle::SqliteOk)
        return illisible(code, false);
    const BilanCarnets carnets = suivreCarnets(connexion, compte, base, table);
    if (!carnets.texte.isEmpty())
        textes << carnets.texte;
    if (compte.agenda.isEmpty())
        return {carnets.reussi, textes.join(QLatin1Char('\n')), 0, carnets.tableChangee};

    // The calendar, and what the user's other installations wrote there.
    const auto arret = [&](const QString& erreur) {
        textes << erreur;
        return Bilan{false, textes.join(QLatin1Char('\n')), 0, carnets.tableChangee};
    };
    Ouverture ouverture = ouvrir(connexion, compte);
    if (!ouverture.erreur.isEmpty())
        return arret(ouverture.erreur);
    if (!socle::estAJour(base, table))
        if (const int code = socle::lireInstantane(base, table); code != socle::SqliteOk)
            return illisible(code, carnets.tableChangee);
    BilanPartage partage = partager(connexion, compte, ouverture, base, table);
    if (!partage.erreur.isEmpty())
        return arret(partage.erreur);
    if (!partage.question.isEmpty()) {
        Bilan bilan{carnets.reussi, textes.join(QLatin1Char('\n')), 0, carnets.tableChangee};
        bilan.question = partage.question;
        return bilan;
    }
    if (!partage.texte.isEmpty())
        textes << partage.texte;
    // What another program stored meanwhile is published too.
    // The books' birthdays stay off the calendar unless the user asks: the
    // phone shows them already.
    std::vector<socle::Fiche> fiches;
    fiches.reserve(table.fiches.size());
    for (const socle::FicheStockee& f : table.fiches) {
        const auto ecrite = carnets.ecrites.find(f.rowid);
        if (compte.publierCarnets || ecrite == carnets.ecrites.end() || ecrite->second != f.fiche)
            fiches.push_back(f.fiche);
    }
    // The people to name in each day's event (none in a file without them).
    std::vector<socle::Proche> proches;
    if (compte.prochesPublies)
        socle::lireProches(base, proches);
    Bilan bilan = publier(connexion, compte, ouverture, fiches, proches, avancement);
    textes << bilan.texte;
    if (!garderPartage(partage, compte, ouverture, table.fiches)) {
        bilan.reussi = false;
        textes << QStringLiteral("L'état de l'agenda partagé ne peut pas être écrit (%1).")
                      .arg(fichierEtatPartage());
    }
    bilan.texte = textes.join(QLatin1Char('\n'));
    bilan.reussi = bilan.reussi && carnets.reussi;
    bilan.tableChangee = carnets.tableChangee || partage.tableChangee;
    return bilan;
}

} // namespace synchro
