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

    // The address books first, so that the calendar knows their new people.
    QStringList textes;
    bool reussi = true, tableChangee = false;
    if (!compte.carnets.isEmpty()) {
        const BilanCarnets carnets = suivreCarnets(client, compte, base);
        reussi = carnets.reussi;
        tableChangee = carnets.tableChangee;
        textes << carnets.texte;
    }
    if (compte.agenda.isEmpty()) {
        return {reussi, textes.join(QLatin1Char('\n')), 0, tableChangee};
    }

    std::vector<socle::FicheStockee> lues;
    if (const int code = socle::lireFiches(base, lues); code != socle::SqliteOk) {
        textes << QStringLiteral("La synchronisation n'a pas pu se faire : le calendrier %1 ne "
                                 "peut pas être lu : %2.")
                      .arg(fichierCalendrier, QString::fromStdString(socle::raisonSqlite(code)));
        return {false, textes.join(QLatin1Char('\n')), 0, tableChangee};
    }
    // The books' birthdays stay off the calendar unless the user asks: the
    // phone shows them already.
    const std::set<std::int64_t> desCarnets =
        compte.publierCarnets ? std::set<std::int64_t>{} : fichesDesCarnets(lues);
    std::vector<socle::Fiche> fiches;
    fiches.reserve(lues.size());
    for (socle::FicheStockee& f : lues)
        if (!desCarnets.count(f.rowid))
            fiches.push_back(std::move(f.fiche));
    Bilan bilan = publier(client, compte, fiches);
    textes << bilan.texte;
    bilan.texte = textes.join(QLatin1Char('\n'));
    bilan.reussi = bilan.reussi && reussi;
    bilan.tableChangee = tableChangee;
    return bilan;
}

} // namespace synchro
