// tarvelon --proches [AAAA-MM-JJ]: the people and their days, one per line,
// tab-separated for scripts; with a day, the people to wish that day.
#include "proches/proches.h"
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "socle/jours.h"
#include "socle/raisons.h"
#include "socle/texte.h"

#include <unordered_map>

namespace commande {

namespace {

// "12/05/1980", "12/05" without a year; empty without a birthday.
std::string anniversaire(const socle::Fiche* fiche)
{
    if (!fiche)
        return {};
    return socle::anneeDeNaissance(fiche->annee) ? fiche->date + '/' + fiche->annee : fiche->date;
}

} // namespace

int listerProches(const std::optional<QDate>& jour)
{
    socle::Database base;
    if (!ouvrirCalendrier(base))
        return 1;
    // The birthday entries typed since are people too.
    if (const int code = proches::suivreLeCalendrier(base); code != socle::SqliteOk)
        return echec(QStringLiteral("les proches ne peuvent pas être mis à jour : %1.")
                         .arg(QString::fromStdString(socle::raisonSqlite(code))));
    std::vector<socle::FicheStockee> table;
    std::vector<socle::Proche> personnes;
    int code = socle::lireFiches(base, table);
    if (code == socle::SqliteOk)
        code = socle::lireProches(base, personnes);
    if (code != socle::SqliteOk)
        return echec(QStringLiteral("les proches ne peuvent pas être lus : %1.")
                         .arg(QString::fromStdString(socle::raisonSqlite(code))));
    std::unordered_map<std::int64_t, const socle::Fiche*> fiches;
    for (const socle::FicheStockee& f : table)
        fiches.emplace(f.rowid, &f.fiche);

    const std::string cle = jour ? socle::cleDuJour(jour->day(), jour->month()) : std::string();
    std::string sortie;
    for (const socle::Proche& p : personnes) {
        const auto f = fiches.find(p.fiche);
        const socle::Fiche* naissance = f == fiches.end() ? nullptr : f->second;
        if (jour && (!p.souhaiter || (p.jour != cle && (!naissance || naissance->date != cle))))
            continue;
        // Each field as safe to print as any line; the tabs between them are
        // the format's.
        for (const std::string& champ : {p.nom, p.jour, p.fete, anniversaire(naissance), p.source,
                                         std::string(p.souhaiter ? "oui" : "non")})
            sortie += socle::terminalSafe(champ) + '\t';
        sortie.back() = '\n';
    }
    std::fputs(sortie.c_str(), stdout);
    return 0;
}

} // namespace commande
