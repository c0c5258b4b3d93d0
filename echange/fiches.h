#pragma once

#include <QString>
#include <optional>
#include <vector>

// What travels in and out of the calendar: rows of the table Fetes, and a
// birthday's day as address books and agendas write it.
namespace echange {

struct Fiche {
    QString nom, date, annee, mf;
};

// A birthday (or a name day) as a day of the year and, when known, a year.
struct Naissance {
    int jour = 0, mois = 0;
    std::optional<int> annee;
};

// "dd/mm" of a day; the day of a key "dd/mm" that exists (29/02 included).
QString cleDuJour(int jour, int mois);
std::optional<Naissance> lireCle(const QString& cle);

// A row's year as a birth year: four digits, not "0000"; none otherwise
// (the marker of an unknown year, a text that is no year).
std::optional<int> anneeDeNaissance(const QString& annee);

// Which rows a command takes.
enum class Selection { Tout, Fetes, Anniversaires };
bool estFete(const Fiche& fiche);

} // namespace echange
