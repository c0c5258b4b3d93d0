#include "rappel/rappel.h"

#include "module/lecture.h"
#include "platform/raisons.h"
#include "store/calendrier_fr.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sqlite3.h>
#include <sys/stat.h>

namespace rappel {

namespace {

using namespace std::chrono;

std::string colonne(sqlite3_stmt* requete, int i)
{
    const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(requete, i));
    return texte ? std::string(texte, size_t(sqlite3_column_bytes(requete, i))) : std::string();
}

Calendrier illisible(const std::string& chemin, const std::string& raison)
{
    return {false, {}, "La base de données " + chemin + " ne peut pas être lue : " + raison + "."};
}

std::string deuxChiffres(unsigned n)
{
    char texte[8];
    std::snprintf(texte, sizeof texte, "%02u", n % 100);
    return texte;
}

} // namespace

Calendrier lireCalendrier(const std::string& chemin, const std::vector<std::string>& cles)
{
    const auto voulue = [&cles](std::string_view date) {
        return std::find(cles.begin(), cles.end(), date) != cles.end();
    };
    struct stat info {};
    if (::stat(chemin.c_str(), &info) != 0) {
        if (errno != ENOENT)
            return illisible(chemin, "le fichier ne peut pas être ouvert");
        // Not made yet: the window makes it at its first start. Read the
        // calendar it will be made from.
        Calendrier calendrier{true, {}, {}};
        for (FeteFr& fete : calendrierFr())
            if (voulue(fete.date))
                calendrier.fiches.push_back({std::move(fete.nom), std::move(fete.date),
                                             AnneeNomDeFete, std::move(fete.mf)});
        return calendrier;
    }
    // A pipe or a device would hold the read for ever.
    if (!S_ISREG(info.st_mode))
        return {false, {}, "La base de données " + chemin + " n'est pas un fichier ordinaire."};

    sqlite3* base = nullptr;
    int rc =
        sqlite3_open_v2(chemin.c_str(), &base, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const int code = base ? sqlite3_extended_errcode(base) : rc;
        sqlite3_close_v2(base);
        return illisible(chemin, platform::raisonSqlite(code));
    }
    sqlite3_busy_timeout(base, 3000);
    // Only the rows of the days asked for are taken out of the file.
    std::string sql = "SELECT Nom, Date, Annee, MF FROM Fetes WHERE Date IN (";
    for (size_t i = 0; i < cles.size(); ++i)
        sql += i == 0 ? "?" : ",?";
    sql += ") ORDER BY rowid";
    sqlite3_stmt* requete = nullptr;
    Calendrier calendrier{true, {}, {}};
    rc = sqlite3_prepare_v2(base, sql.c_str(), int(sql.size()), &requete, nullptr);
    if (rc == SQLITE_OK) {
        for (size_t i = 0; i < cles.size(); ++i)
            sqlite3_bind_text(requete, int(i + 1), cles[i].data(), int(cles[i].size()),
                              SQLITE_STATIC);
        while ((rc = sqlite3_step(requete)) == SQLITE_ROW)
            calendrier.fiches.push_back({colonne(requete, 0), colonne(requete, 1),
                                         colonne(requete, 2), colonne(requete, 3)});
    }
    if (rc != SQLITE_DONE)
        calendrier = illisible(chemin, platform::raisonSqlite(sqlite3_extended_errcode(base)));
    sqlite3_finalize(requete);
    sqlite3_close_v2(base);
    return calendrier;
}

std::vector<std::string> clesDesJours(Jour premier, int jours)
{
    std::vector<std::string> cles;
    for (int dans = 0; dans <= jours; ++dans) {
        const Jour date{sys_days(premier) + days(dans)};
        cles.push_back(cleDuJour(date));
        if (date.month() == February && date.day() == day(28) && !date.year().is_leap())
            cles.push_back("29/02");
    }
    std::sort(cles.begin(), cles.end());
    cles.erase(std::unique(cles.begin(), cles.end()), cles.end());
    return cles;
}

std::optional<int> nombre(const std::string& texte, size_t chiffresMax)
{
    if (texte.empty() || texte.size() > chiffresMax)
        return std::nullopt;
    int n = 0;
    for (const char c : texte) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::optional<int> ageAtteint(const std::string& annee, int anneeDuJour)
{
    const std::optional<int> naissance = nombre(annee, 6);
    if (!naissance || anneeDuJour - *naissance < 1)
        return std::nullopt;
    return anneeDuJour - *naissance;
}

std::string cleDuJour(Jour date)
{
    return deuxChiffres(unsigned(date.day())) + "/" + deuxChiffres(unsigned(date.month()));
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

JourRappel rappelDu(const std::vector<Fiche>& fiches, const std::string& fichierParametres,
                    Jour date, int dans)
{
    JourRappel rappel{date, dans, {}};
    const int annee = int(date.year());
    std::vector<std::pair<std::string, bool>> cles{{cleDuJour(date), false}};
    // 29 February is told on 28 February when the year has none.
    if (date.month() == February && date.day() == day(28) && !date.year().is_leap())
        cles.emplace_back("29/02", true);

    for (const auto& [cle, du29] : cles)
        for (const Fiche& fiche : fiches)
            if (fiche.date == cle && fiche.annee == AnneeNomDeFete)
                rappel.elements.push_back({Element::Fete, fiche.nom, std::nullopt, du29});
    for (const auto& [cle, du29] : cles)
        for (const Fiche& fiche : fiches)
            if (fiche.date == cle && fiche.annee != AnneeNomDeFete)
                rappel.elements.push_back(
                    {Element::Anniversaire, fiche.nom, ageAtteint(fiche.annee, annee), du29});
    for (const auto& [cle, du29] : cles) {
        std::string evenement = LireParametre(fichierParametres, "Evenements", cle, "");
        if (!evenement.empty())
            rappel.elements.push_back({Element::Evenement, std::move(evenement), {}, du29});
    }
    return rappel;
}

} // namespace rappel
