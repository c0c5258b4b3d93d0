#pragma once

#include "socle/fetes.h"
#include "socle/jours.h"
#include "socle/parametres.h"
#include "socle/proches.h"
#include "socle/texte.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// What Tarvelon has to tell on a day, without opening the window: the name
// days, the birthdays with the age reached, the event of the settings file.
// Plain C++ over SQLite's C API, so that tarvelon-rappel starts as fast as a
// C program. It only ever reads: the calendar is opened read-only and never
// made.
namespace rappel {

using socle::Fiche;
using socle::Jour;

// The entries of some days (their keys "dd/mm") read from tarvelon.db; with
// no such file, from the bundled French calendar. On failure, erreur names
// the file and says why, in French. The people to wish on those days too,
// when the file holds them.
struct Calendrier {
    bool lu = false;
    std::vector<Fiche> fiches;
    std::string erreur;
    std::vector<socle::Proche> proches;
};
Calendrier lireCalendrier(const std::string& chemin, const std::vector<std::string>& cles);

// The keys of the days from premier to premier + jours: what rappelDu needs.
std::vector<std::string> clesDesJours(Jour premier, int jours);

// One thing to tell. du29Fevrier: an entry of 29 February told on 28
// February of a common year, as people born that day celebrate.
struct Element {
    enum Sorte { Fete, Anniversaire, Evenement, Proches } sorte;
    std::string texte;      // a name, or the event
    std::optional<int> age; // the age reached that year, when there is one
    bool du29Fevrier = false;
    // The user's people wished that day: of this name (Fete), or of a day
    // the user chose with no name of the calendar (Proches).
    std::vector<std::string> proches = {};
};

struct JourRappel {
    Jour date;
    int dans = 0; // days from today
    std::vector<Element> elements;
};

// Everything the calendar and the settings file's section Evenements hold for
// a day (name days with the people of each, then birthdays, then the event),
// in record order.
JourRappel rappelDu(const std::vector<Fiche>& fiches, const socle::Parametres& parametres,
                    Jour date, int dans = 0, const std::vector<socle::Proche>& proches = {});

// The age reached in a year by someone born in annee: none when annee is not
// a number, or for a birth this year or later. The marker of a birthday
// without a year (AnneeInconnue) is not a number.
std::optional<int> ageAtteint(const std::string& annee, int anneeDuJour);

// A number written in digits alone, at most chiffresMax of them.
inline std::optional<int> nombre(const std::string& texte, size_t chiffresMax)
{
    return socle::parseDigits(texte, chiffresMax);
}

// "mardi 8 décembre 2026", "lundi 1er mars 2027".
std::string jourEnMots(Jour date);

} // namespace rappel
