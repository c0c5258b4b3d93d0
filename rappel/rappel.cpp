#include "rappel/rappel.h"

#include "socle/calendrier_fr.h"
#include "socle/fichier.h"
#include "socle/raisons.h"
#include "socle/schema.h"
#include "socle/sqlite.h"

#include <algorithm>

namespace rappel {

namespace {

using namespace std::chrono;

Calendrier illisible(const std::string& chemin, const std::string& raison)
{
    return {
        false, {}, "La base de données " + chemin + " ne peut pas être lue : " + raison + ".", {}};
}

// The rows of the days, and their people when the file holds them (a file
// of an earlier Tarvelon has none yet).
int lireLesJours(socle::Database& base, const std::vector<std::string>& cles,
                 Calendrier& calendrier)
{
    int rc = socle::lireFichesDesJours(base, cles, calendrier.fiches);
    int version = 0;
    if (rc == socle::SqliteOk && (rc = socle::lireVersion(base, version)) == socle::SqliteOk &&
        version >= 2)
        rc = socle::lireProchesDesJours(base, cles, calendrier.proches);
    return rc;
}

} // namespace

Calendrier lireCalendrier(const std::string& chemin, const std::vector<std::string>& cles)
{
    switch (socle::natureDe(chemin)) {
    case socle::Nature::Absent: {
        // Not made yet: the window makes it at its first start. Read the
        // calendar it will be made from.
        Calendrier calendrier{true, {}, {}, {}};
        for (Fiche& fete : socle::calendrierFr())
            if (std::find(cles.begin(), cles.end(), fete.date) != cles.end())
                calendrier.fiches.push_back(std::move(fete));
        return calendrier;
    }
    case socle::Nature::Inaccessible:
        return illisible(chemin, "le fichier ne peut pas être ouvert");
    case socle::Nature::Dossier:
    case socle::Nature::Autre:
        // A pipe or a device would hold the read for ever.
        return {false, {}, "La base de données " + chemin + " n'est pas un fichier ordinaire.", {}};
    case socle::Nature::Ordinaire:
        break;
    }

    socle::Database base;
    if (!base.open(chemin, socle::OpenMode::ReadOnly))
        return illisible(chemin, socle::raisonSqlite(base.errorCode()));
    // Only the rows of the days asked for are taken out of the file.
    Calendrier calendrier{true, {}, {}, {}};
    int rc = lireLesJours(base, cles, calendrier);
    if (rc == socle::SqliteReadOnlyRollback) {
        // Another program stopped in the middle of a store (a crash, a
        // kill): its journal brings the file back as it was before, which
        // only a connection that may write can do. No row of the calendar
        // changes (the store never happened), and the reminder itself writes
        // nothing (query_only).
        calendrier.fiches.clear();
        calendrier.proches.clear();
        if (base.open(chemin, socle::OpenMode::ReadWrite) && base.setQueryOnly())
            rc = lireLesJours(base, cles, calendrier);
        else
            rc = base.errorCode();
    }
    if (rc != socle::SqliteOk)
        return illisible(chemin, socle::raisonSqlite(rc));
    return calendrier;
}

std::vector<std::string> clesDesJours(Jour premier, int jours)
{
    std::vector<std::string> cles;
    for (int dans = 0; dans <= jours; ++dans) {
        const Jour date{sys_days(premier) + days(dans)};
        cles.push_back(socle::cleDuJour(date));
        if (socle::dit29FevrierLe(date))
            cles.push_back("29/02");
    }
    std::sort(cles.begin(), cles.end());
    cles.erase(std::unique(cles.begin(), cles.end()), cles.end());
    return cles;
}

std::optional<int> ageAtteint(const std::string& annee, int anneeDuJour)
{
    const std::optional<int> naissance = nombre(annee, 6);
    if (!naissance || anneeDuJour - *naissance < 1)
        return std::nullopt;
    return anneeDuJour - *naissance;
}

std::string jourEnMots(Jour date)
{
    static const char* const semaine[7] = {"dimanche", "lundi",    "mardi", "mercredi",
                                           "jeudi",    "vendredi", "samedi"};
    static const char* const mois[12] = {"janvier",   "février", "mars",     "avril",
                                         "mai",       "juin",    "juillet",  "août",
                                         "septembre", "octobre", "novembre", "décembre"};
    const weekday jour{sys_days(date)};
    const unsigned quantieme = unsigned(date.day());
    return std::string(semaine[jour.c_encoding()]) + " " + std::to_string(quantieme) +
           (quantieme == 1 ? "er " : " ") + mois[unsigned(date.month()) - 1] + " " +
           std::to_string(int(date.year()));
}

JourRappel rappelDu(const std::vector<Fiche>& fiches, const socle::Parametres& parametres,
                    Jour date, int dans, const std::vector<socle::Proche>& proches)
{
    JourRappel rappel{date, dans, {}};
    const int annee = int(date.year());
    std::vector<std::pair<std::string, bool>> cles{{socle::cleDuJour(date), false}};
    if (socle::dit29FevrierLe(date))
        cles.emplace_back("29/02", true);

    for (const auto& [cle, du29] : cles) {
        const size_t premiere = rappel.elements.size();
        for (const Fiche& fiche : fiches)
            if (fiche.date == cle && fiche.estFete())
                rappel.elements.push_back({Element::Fete, fiche.nom, std::nullopt, du29});
        // Each person under the name of its day; one whose day has no such
        // name (chosen by the user) on a line of its own.
        Element autres{Element::Proches, {}, std::nullopt, du29};
        for (const socle::Proche& p : proches) {
            if (p.jour != cle || !p.souhaiter)
                continue;
            auto nom = std::find_if(rappel.elements.begin() + premiere, rappel.elements.end(),
                                    [&](const Element& e) { return e.texte == p.fete; });
            (p.fete.empty() || nom == rappel.elements.end() ? autres : *nom)
                .proches.push_back(p.nom);
        }
        if (!autres.proches.empty())
            rappel.elements.push_back(std::move(autres));
    }
    for (const auto& [cle, du29] : cles)
        for (const Fiche& fiche : fiches)
            if (fiche.date == cle && !fiche.estFete())
                rappel.elements.push_back(
                    {Element::Anniversaire, fiche.nom, ageAtteint(fiche.annee, annee), du29});
    for (const auto& [cle, du29] : cles) {
        std::string evenement = parametres.valeur("Evenements", cle, "");
        if (!evenement.empty())
            rappel.elements.push_back({Element::Evenement, std::move(evenement), {}, du29});
    }
    return rappel;
}

} // namespace rappel
