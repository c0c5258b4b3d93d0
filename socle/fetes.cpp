#include "socle/fetes.h"

#include "socle/texte.h"

#include <unordered_map>
#include <unordered_set>

namespace socle {

namespace {

constexpr std::string_view Colonnes = "SELECT rowid, Nom, Date, Annee, MF FROM Fetes";
constexpr std::string_view Insertion =
    "INSERT INTO Fetes (Nom, Date, Annee, MF) VALUES (?1, ?2, ?3, ?4)";

void lireLigne(const Statement& requete, int premiere, Fiche& fiche)
{
    for (int c = 0; c < NombreDeChamps; ++c)
        fiche[Champ(c)] = requete.columnText(premiere + c);
}

int fin(const Statement& requete, int rc)
{
    return rc == SqliteDone ? SqliteOk : requete.code();
}

// The duplicate rule's keys: name without its outer blanks, day, year.
std::string cle(std::string_view nom, std::string_view date, std::string_view annee = {})
{
    std::string texte(trimmed(nom));
    texte += '\x1f';
    texte += date;
    texte += '\x1f';
    texte += annee;
    return texte;
}

} // namespace

std::string_view nomDuChamp(Champ champ)
{
    switch (champ) {
    case Champ::Nom:
        return "Nom";
    case Champ::Date:
        return "Date";
    case Champ::Annee:
        return "Annee";
    case Champ::MF:
        return "MF";
    }
    return {};
}

std::string& Fiche::operator[](Champ champ)
{
    switch (champ) {
    case Champ::Nom:
        return nom;
    case Champ::Date:
        return date;
    case Champ::Annee:
        return annee;
    case Champ::MF:
        break;
    }
    return mf;
}

const std::string& Fiche::operator[](Champ champ) const
{
    return const_cast<Fiche&>(*this)[champ];
}

bool retenue(const Fiche& fiche, Selection selection)
{
    switch (selection) {
    case Selection::Tout:
        return true;
    case Selection::Fetes:
        return fiche.estFete();
    case Selection::Anniversaires:
        break;
    }
    return !fiche.estFete();
}

std::optional<int> anneeDeNaissance(std::string_view annee)
{
    const std::optional<int> valeur = parseDigits(annee, 4);
    if (annee.size() != 4 || valeur == 0)
        return std::nullopt;
    return valeur;
}

int creerTable(Database& base)
{
    if (base.exec("CREATE TABLE Fetes (Nom TEXT, Date TEXT, Annee TEXT, MF TEXT)"))
        return SqliteOk;
    return base.errorCode();
}

Verification verifierTable(Database& base)
{
    Statement colonnes(base, "SELECT lower(name) FROM pragma_table_info('Fetes')");
    std::unordered_set<std::string> noms;
    int rc;
    while ((rc = colonnes.step()) == SqliteRow)
        noms.emplace(colonnes.columnText(0));
    if (rc != SqliteDone)
        return {Verification::Illisible, {}, colonnes.code()};
    if (noms.empty())
        return {Verification::SansTable, {}, SqliteOk};
    for (const char* champ : {"Nom", "Date", "Annee", "MF"}) {
        std::string minuscules(champ);
        for (char& c : minuscules)
            c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (!noms.count(minuscules))
            return {Verification::SansChamp, champ, SqliteOk};
    }
    return {};
}

int lireFiches(Database& base, std::vector<FicheStockee>& fiches)
{
    Statement requete(base, std::string(Colonnes) + " ORDER BY rowid");
    int rc;
    while ((rc = requete.step()) == SqliteRow) {
        FicheStockee& f = fiches.emplace_back();
        f.rowid = requete.columnInt64(0);
        lireLigne(requete, 1, f.fiche);
    }
    return fin(requete, rc);
}

int lireInstantane(Database& base, Instantane& instantane)
{
    Transaction lecture(base, Transaction::Lock::Deferred);
    if (!lecture.isOpen())
        return lecture.code();
    const std::optional<std::int64_t> version = base.dataVersion();
    if (!version)
        return base.errorCode();
    instantane.version = *version;
    instantane.fiches.clear();
    if (const int code = lireFiches(base, instantane.fiches); code != SqliteOk)
        return code;
    return lecture.commit();
}

bool estAJour(Database& base, const Instantane& instantane)
{
    return base.dataVersion() == instantane.version;
}

int lireFichesDesJours(Database& base, const std::vector<std::string>& cles,
                       std::vector<Fiche>& fiches)
{
    std::string sql(Colonnes);
    sql += " WHERE Date IN (";
    for (size_t i = 0; i < cles.size(); ++i)
        sql += i == 0 ? "?" : ",?";
    sql += ") ORDER BY rowid";
    Statement requete(base, sql);
    for (size_t i = 0; i < cles.size(); ++i)
        requete.bind(int(i + 1), cles[i]);
    int rc;
    while ((rc = requete.step()) == SqliteRow)
        lireLigne(requete, 1, fiches.emplace_back());
    return fin(requete, rc);
}

int ajouterFiche(Database& base, const Fiche& fiche, std::int64_t& rowid)
{
    Statement insertion(base, Insertion);
    for (int c = 0; c < NombreDeChamps; ++c)
        insertion.bind(c + 1, fiche[Champ(c)]);
    const int rc = fin(insertion, insertion.step());
    if (rc == SqliteOk)
        rowid = base.lastInsertRowId();
    return rc;
}

int modifierFiche(Database& base, std::int64_t rowid, const Fiche& fiche,
                  const std::array<bool, NombreDeChamps>& champs, bool& trouvee)
{
    trouvee = true;
    std::string sql = "UPDATE Fetes SET ";
    bool premier = true;
    for (int c = 0; c < NombreDeChamps; ++c) {
        if (!champs[size_t(c)])
            continue;
        if (!premier)
            sql += ", ";
        sql += nomDuChamp(Champ(c));
        sql += " = ?" + std::to_string(c + 1);
        premier = false;
    }
    if (premier)
        return SqliteOk; // nothing to write
    sql += " WHERE rowid = ?5";
    Statement modification(base, sql);
    for (int c = 0; c < NombreDeChamps; ++c)
        modification.bind(c + 1, fiche[Champ(c)]);
    modification.bind(5, rowid);
    const int rc = fin(modification, modification.step());
    if (rc == SqliteOk)
        trouvee = base.changes() > 0;
    return rc;
}

int supprimerFiche(Database& base, std::int64_t rowid)
{
    Statement suppression(base, "DELETE FROM Fetes WHERE rowid = ?1");
    suppression.bind(1, rowid);
    return fin(suppression, suppression.step());
}

std::vector<bool> dejaPresentes(const std::vector<FicheStockee>& table,
                                const std::vector<Fiche>& fiches)
{
    // What is already there, counted: the same name, day and year; for a
    // birthday without a year, any birthday of that name on that day. Each
    // entry there stands for one row of the file only, so that a file's own
    // repeats come in as often as the file holds them (a calendar restored
    // from its export keeps its two identical rows).
    std::unordered_map<std::string, std::size_t> deja, anniversaires;
    for (const FicheStockee& f : table) {
        ++deja[cle(f.fiche.nom, f.fiche.date, f.fiche.annee)];
        if (!f.fiche.estFete())
            ++anniversaires[cle(f.fiche.nom, f.fiche.date)];
    }
    const auto prendre = [](std::unordered_map<std::string, std::size_t>& compte,
                            const std::string& laCle) {
        const auto it = compte.find(laCle);
        if (it == compte.end() || it->second == 0)
            return false;
        --it->second;
        return true;
    };
    std::vector<bool> la(fiches.size(), false);
    for (size_t i = 0; i < fiches.size(); ++i) {
        const Fiche& f = fiches[i];
        const std::string jour = cle(f.nom, f.date);
        const bool meme = prendre(deja, cle(f.nom, f.date, f.annee));
        if (meme && !f.estFete())
            prendre(anniversaires, jour);
        la[i] = meme || (f.annee == AnneeInconnue && prendre(anniversaires, jour));
    }
    return la;
}

Ajout ajouterFiches(Database& base, const std::vector<Fiche>& fiches, Doublons doublons)
{
    Ajout ajout;
    ajout.ajoutee.assign(fiches.size(), false);
    ajout.rowids.assign(fiches.size(), 0);
    Transaction transaction(base);
    if (!transaction.isOpen()) {
        ajout.code = transaction.code();
        return ajout;
    }
    const auto echec = [&](int code) {
        transaction.rollback();
        Ajout refus;
        refus.code = code;
        refus.ajoutee.assign(fiches.size(), false);
        refus.rowids.assign(fiches.size(), 0);
        return refus;
    };

    std::vector<bool> la;
    if (doublons == Doublons::Ecarter) {
        std::vector<FicheStockee> presentes;
        if (const int rc = lireFiches(base, presentes); rc != SqliteOk)
            return echec(rc);
        la = dejaPresentes(presentes, fiches);
    }

    Statement insertion(base, Insertion);
    for (size_t i = 0; i < fiches.size(); ++i) {
        const Fiche& f = fiches[i];
        if (doublons == Doublons::Ecarter && la[i]) {
            ++ajout.presentes;
            continue;
        }
        for (int c = 0; c < NombreDeChamps; ++c)
            insertion.bind(c + 1, f[Champ(c)]);
        if (insertion.step() != SqliteDone)
            return echec(insertion.code());
        insertion.reset();
        ajout.ajoutee[i] = true;
        ajout.rowids[i] = base.lastInsertRowId();
        ++ajout.ajoutees;
    }
    if (const int code = transaction.commit(); code != SqliteOk)
        return echec(code);
    return ajout;
}

} // namespace socle
