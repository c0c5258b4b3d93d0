#pragma once

#include "socle/fetes.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A person's name day, found in the name days of the user's own calendar
// (its entries of year 0000, which the user may have added to). Names are
// compared with case and accents folded, and shown as the calendar spells
// them. Nothing is guessed: no diminutive, no variant; a name the calendar
// does not hold gives no day until the user picks one.
namespace proches {

// A name as it is compared: lower case, accents and ligatures off (é → e,
// Œ → oe), the blanks and hyphens between names one hyphen.
std::string plier(std::string_view nom);

// A day a name is wished on, with the calendar's spelling of that name.
struct Candidat {
    std::string jour; // "dd/mm"
    std::string fete;

    bool operator==(const Candidat&) const = default;
};

// The name days of a calendar, by folded name, each name's days in the
// year's order.
class NomsDuCalendrier {
public:
    explicit NomsDuCalendrier(const std::vector<socle::FicheStockee>& table);
    const std::vector<Candidat>* jours(const std::string& plie) const;

private:
    std::unordered_map<std::string, std::vector<Candidat>> m_jours;
};

// The days offered for given names, in order: a compound name (Jean-Pierre,
// or "Jean Pierre") as a whole, then its first part, then its other parts;
// each name's days in the year's order, a day offered once. The first is
// the one proposed. None when no part holds a letter.
std::vector<Candidat> candidats(const NomsDuCalendrier& calendrier, std::string_view prenoms);

// The given names of a card: N's given and additional names when there are
// any, else the name shown as it stands (never cut at its last blank).
std::string prenomsDeLaCarte(std::string_view affiche, std::string_view prenom,
                             std::string_view autresPrenoms);
// The first given name of an entry's name ("Jean-Pierre Dupont": Jean-Pierre).
std::string premierPrenom(std::string_view nom);

} // namespace proches
