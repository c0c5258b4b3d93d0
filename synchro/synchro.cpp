#include "synchro/synchro.h"

#include "socle/raisons.h"
#include "socle/sqlite.h"
#include "store/calendrier.h"
#include "synchro/carnets.h"

#include <QFile>

namespace synchro {

dav::Identite identiteDe(const Compte& compte, const QString& motDePasse)
{
    return {compte.origine(), compte.utilisateur, motDePasse, compte.empreintes};
}

Bilan synchroniser(const Compte& compte, const QString& motDePasse,
                   const QString& fichierCalendrier)
{
    // The calendar of the window, made from the bundled one if it is not there yet.
    socle::Database base;
    QString message;
    if (!store::openCalendar(base, fichierCalendrier, &message))
        return {false,
                QStringLiteral("La synchronisation n'a pas pu se faire : ") +
                    message.replace(QStringLiteral("\n\r"), QStringLiteral("\n")),
                0};
    dav::Client client(identiteDe(compte, motDePasse));

    // The address books first, so that the calendar knows their new people
    // (with none followed, this only drops the state of books left).
    QStringList textes;
    const BilanCarnets carnets = suivreCarnets(client, compte, base);
    if (!carnets.texte.isEmpty())
        textes << carnets.texte;
    if (compte.agenda.isEmpty())
        return {carnets.reussi, textes.join(QLatin1Char('\n')), 0, carnets.tableChangee};

    std::vector<socle::FicheStockee> lues;
    if (const int code = socle::lireFiches(base, lues); code != socle::SqliteOk) {
        textes << QStringLiteral("La synchronisation n'a pas pu se faire : le calendrier %1 ne "
                                 "peut pas être lu : %2.")
                      .arg(fichierCalendrier, QString::fromStdString(socle::raisonSqlite(code)));
        return {false, textes.join(QLatin1Char('\n')), 0, carnets.tableChangee};
    }
    // The books' birthdays stay off the calendar unless the user asks: the
    // phone shows them already.
    std::vector<socle::Fiche> fiches;
    fiches.reserve(lues.size());
    for (socle::FicheStockee& f : lues) {
        const auto ecrite = carnets.ecrites.find(f.rowid);
        if (compte.publierCarnets || ecrite == carnets.ecrites.end() || ecrite->second != f.fiche)
            fiches.push_back(std::move(f.fiche));
    }
    Bilan bilan = publier(client, compte, fiches);
    textes << bilan.texte;
    bilan.texte = textes.join(QLatin1Char('\n'));
    bilan.reussi = bilan.reussi && carnets.reussi;
    bilan.tableChangee = carnets.tableChangee;
    return bilan;
}

} // namespace synchro
