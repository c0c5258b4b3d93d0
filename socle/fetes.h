#pragma once

#include "socle/sqlite.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The table Fetes of tarvelon.db, one row per entry: its one row type, its
// markers, and every request made to it. Nothing else in the program speaks
// SQL to the table.
namespace socle {

// The year of a name day.
inline constexpr std::string_view AnneeNomDeFete = "0000";
// The year of a birthday whose year is not known (a contact's "--0412"): in
// the birthday view, out of the name days, told with no age.
inline constexpr std::string_view AnneeInconnue = "----";

// The four text fields, in the table's order.
enum class Champ { Nom = 0, Date = 1, Annee = 2, MF = 3 };
inline constexpr int NombreDeChamps = 4;
// "Nom", "Date", "Annee", "MF".
std::string_view nomDuChamp(Champ champ);

// One entry: a name day or a birthday.
struct Fiche {
    std::string nom;
    std::string date;  // a day key "dd/mm"
    std::string annee; // AnneeNomDeFete, a birth year, or AnneeInconnue
    std::string mf;    // "M" (Saint), "F" (Sainte); a space for a birthday

    std::string& operator[](Champ champ);
    const std::string& operator[](Champ champ) const;
    // The kind of an entry is told by its year alone.
    bool estFete() const { return annee == AnneeNomDeFete; }
    bool operator==(const Fiche&) const = default;
};

// A row with its identity in the file.
struct FicheStockee {
    std::int64_t rowid = 0;
    Fiche fiche;
};

// Which rows a command takes.
enum class Selection { Tout, Fetes, Anniversaires };
bool retenue(const Fiche& fiche, Selection selection);

// A row's year as a birth year: four digits, not the name-day marker; none
// otherwise (the marker of an unknown year, a text that is no year).
std::optional<int> anneeDeNaissance(std::string_view annee);

// Each request gives SqliteOk, else SQLite's extended result code
// (raisonSqlite says it in French).

int creerTable(Database& base);

// Whether a file holds the table with its four fields (in any letter case).
struct Verification {
    enum Etat { Complete, SansTable, SansChamp, Illisible } etat = Complete;
    std::string champ;   // SansChamp: the field missing
    int code = SqliteOk; // Illisible: why
};
Verification verifierTable(Database& base);

// Every row, in the table's insertion order.
int lireFiches(Database& base, std::vector<FicheStockee>& fiches);
// The whole table as read at one moment, and the file's data version then.
struct Instantane {
    std::vector<FicheStockee> fiches;
    std::int64_t version = -1;
};
int lireInstantane(Database& base, Instantane& instantane);
// Whether no other connection has committed to the file since it was read.
bool estAJour(Database& base, const Instantane& instantane);
// The rows of some days only (their keys), in insertion order.
int lireFichesDesJours(Database& base, const std::vector<std::string>& cles,
                       std::vector<Fiche>& fiches);

int ajouterFiche(Database& base, const Fiche& fiche, std::int64_t& rowid);
// Writes the fields marked into the row; trouvee is false when the row is no
// longer in the file.
int modifierFiche(Database& base, std::int64_t rowid, const Fiche& fiche,
                  const std::array<bool, NombreDeChamps>& champs, bool& trouvee);
int supprimerFiche(Database& base, std::int64_t rowid);

// Many rows in one transaction (the caller's, when one is open): all or none.
// Doublons::Ecarter is the exchanges' rule: an entry with the same name
// (blanks at the ends aside), day and year is already there; a birthday
// without a year is already there when that name has a birthday on that day.
// Counted: each entry already there answers for one row of the file, so a
// file's own repeats all come in when the calendar has none of them, and
// importing the same file again adds nothing.
// What is already there is read inside the transaction, so that two imports
// at once never both add the same entry.
enum class Doublons { Ajouter, Ecarter };
// The rule alone: for each entry given, whether the table has it already.
std::vector<bool> dejaPresentes(const std::vector<FicheStockee>& table,
                                const std::vector<Fiche>& fiches);
struct Ajout {
    int code = SqliteOk;
    std::vector<bool> ajoutee;        // for each row given
    std::vector<std::int64_t> rowids; // for each row given: its rowid when added, else 0
    std::size_t ajoutees = 0;
    std::size_t presentes = 0;
};
Ajout ajouterFiches(Database& base, const std::vector<Fiche>& fiches, Doublons doublons);

} // namespace socle
