#pragma once

#include "socle/sqlite.h"

#include <cstdint>
#include <string>
#include <vector>

// The table Proches of tarvelon.db, beside Fetes (which it never changes):
// the people behind the names, whom to wish. Each has a key, the name shown,
// the given names its name day is found by, where it comes from, its
// birthday entry when it has one, its name day (the user's choice, else the
// one proposed from the calendar's name days) and whether to wish it at all.
namespace socle {

// Where a person comes from.
inline constexpr std::string_view SourceCalendrier = "calendrier"; // a birthday entry

struct Proche {
    std::string cle;         // "uid:…" (a card's UID), "fiche:<rowid>" (a birthday entry)…
    std::string nom;         // the name shown
    std::string prenoms;     // the given names, in order, blank-separated
    std::string source;      // SourceCalendrier, "carnet:<url>", "fichier:<name>"
    std::int64_t fiche = 0;  // its birthday entry's rowid; 0: none
    std::string jour;        // its name day "dd/mm"; empty: none
    std::string fete;        // the calendar's name that day is of; empty when typed
    bool jourChoisi = false; // the user chose the day: never proposed again
    bool souhaiter = true;   // false: left out, never told

    bool operator==(const Proche&) const = default;
};

// The schema's step that adds the table (the file's version 1 to 2).
int creerTableProches(Database& base);

// Every person, in the order they came.
int lireProches(Database& base, std::vector<Proche>& proches);
// The people to wish on some days (their keys), by name.
int lireProchesDesJours(Database& base, const std::vector<std::string>& jours,
                        std::vector<Proche>& proches);
// Written whole (added, or over the person of the same key); many at once
// through one statement.
int ecrireProche(Database& base, const Proche& proche);
int ecrireProches(Database& base, const std::vector<Proche>& proches);
int supprimerProche(Database& base, const std::string& cle);

} // namespace socle
