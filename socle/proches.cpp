#include "socle/proches.h"

namespace socle {

namespace {

constexpr std::string_view Colonnes =
    "SELECT Cle, Nom, Prenoms, Source, Fiche, Jour, Fete, JourChoisi, Souhaiter FROM Proches";

int fin(Statement& requete, int rc)
{
    return rc == SqliteDone ? int(SqliteOk) : requete.code();
}

int lire(Statement& requete, std::vector<Proche>& proches)
{
    int rc;
    while ((rc = requete.step()) == SqliteRow) {
        Proche& p = proches.emplace_back();
        p.cle = requete.columnText(0);
        p.nom = requete.columnText(1);
        p.prenoms = requete.columnText(2);
        p.source = requete.columnText(3);
        p.fiche = requete.columnInt64(4);
        p.jour = requete.columnText(5);
        p.fete = requete.columnText(6);
        p.jourChoisi = requete.columnInt64(7) != 0;
        p.souhaiter = requete.columnInt64(8) != 0;
    }
    return fin(requete, rc);
}

int ecrireUn(Statement& ecriture, const Proche& p)
{
    ecriture.bind(1, p.cle);
    ecriture.bind(2, p.nom);
    ecriture.bind(3, p.prenoms);
    ecriture.bind(4, p.source);
    ecriture.bind(5, p.fiche);
    ecriture.bind(6, p.jour);
    ecriture.bind(7, p.fete);
    ecriture.bind(8, std::int64_t(p.jourChoisi));
    ecriture.bind(9, std::int64_t(p.souhaiter));
    return fin(ecriture, ecriture.step());
}

} // namespace

int creerTableProches(Database& base)
{
    if (!base.exec("CREATE TABLE Proches (Cle TEXT PRIMARY KEY NOT NULL, Nom TEXT NOT NULL, "
                   "Prenoms TEXT NOT NULL, Source TEXT NOT NULL, Fiche INTEGER NOT NULL, "
                   "Jour TEXT NOT NULL, Fete TEXT NOT NULL, JourChoisi INTEGER NOT NULL, "
                   "Souhaiter INTEGER NOT NULL)") ||
        !base.exec("CREATE INDEX ProchesParJour ON Proches (Jour)"))
        return base.errorCode();
    return SqliteOk;
}

int lireProches(Database& base, std::vector<Proche>& proches)
{
    Statement requete(base, std::string(Colonnes) + " ORDER BY rowid");
    return lire(requete, proches);
}

int lireProchesDesJours(Database& base, const std::vector<std::string>& jours,
                        std::vector<Proche>& proches)
{
    std::string sql(Colonnes);
    sql += " WHERE Souhaiter <> 0 AND Jour IN (";
    for (size_t i = 0; i < jours.size(); ++i)
        sql += i == 0 ? "?" : ",?";
    sql += ") ORDER BY Nom, rowid";
    Statement requete(base, sql);
    for (size_t i = 0; i < jours.size(); ++i)
        requete.bind(int(i + 1), jours[i]);
    return lire(requete, proches);
}

int ecrireProche(Database& base, const Proche& p)
{
    return ecrireProches(base, {p});
}

int ecrireProches(Database& base, const std::vector<Proche>& proches)
{
    Statement ecriture(base, "INSERT INTO Proches (Cle, Nom, Prenoms, Source, Fiche, Jour, Fete, "
                             "JourChoisi, Souhaiter) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                             "ON CONFLICT (Cle) DO UPDATE SET Nom = excluded.Nom, "
                             "Prenoms = excluded.Prenoms, Source = excluded.Source, "
                             "Fiche = excluded.Fiche, Jour = excluded.Jour, Fete = excluded.Fete, "
                             "JourChoisi = excluded.JourChoisi, Souhaiter = excluded.Souhaiter");
    for (const Proche& p : proches) {
        ecriture.reset();
        if (const int code = ecrireUn(ecriture, p); code != SqliteOk)
            return code;
    }
    return SqliteOk;
}

int supprimerProche(Database& base, const std::string& cle)
{
    Statement suppression(base, "DELETE FROM Proches WHERE Cle = ?");
    suppression.bind(1, cle);
    return fin(suppression, suppression.step());
}

} // namespace socle
