#pragma once

#include "rappel/rappel.h"

#include <optional>
#include <string>
#include <vector>

// The reminder in French words: for the terminal, one item a line; for a
// desktop notification, a short summary and a body. Names and events are the
// user's data: control characters are blanked, nothing else is changed.
namespace rappel {

// "Mardi 8 décembre 2026", then " (demain)" or " (dans 3 jours)".
std::string titre(const JourRappel& jour);

// "Fête : Marie", "Anniversaire : Paul, 46 ans", "Événement : …", or
// "Rien à souhaiter ce jour." for a day with nothing.
std::vector<std::string> lignes(const JourRappel& jour);

// The notification of today (jours[0]) and of the days ahead (birthdays and
// events only: every day has its name days). None when there is nothing.
struct Notification {
    std::string resume;
    std::string corps; // lines separated by "\n"
};
std::optional<Notification> notification(const std::vector<JourRappel>& jours);

// How many characters of a name or an event the reminder tells at most.
inline constexpr std::size_t LongueurMaxTexte = 200;

// A text as the reminder tells it: its control characters blanked, cut after
// LongueurMaxTexte characters.
std::string texteSur(std::string texte);

} // namespace rappel
