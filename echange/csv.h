#pragma once

#include "socle/fetes.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The whole calendar as a spreadsheet (RFC 4180, UTF-8): a header line, then
// the four fields Nom, Date, Annee, MF of each entry, lines ended by CR LF.
// Written by hand: the format is a few lines of grammar, and the reader must
// tell the line of each fault.
namespace echange {

QByteArray ecrireCsv(const std::vector<socle::Fiche>& fiches);

struct LectureCsv {
    std::vector<socle::Fiche> fiches;
    std::vector<int> lignes; // where each entry starts
    QString erreur;          // empty when every line is right
    int ligneErreur = 0;
};

// Every line is checked: four fields, a name (entree.h), a day that exists
// (a full date, as spreadsheets write a day back, gives its day), a year that
// is the name-day marker (0 too: spreadsheets drop its zeros), a birth year or
// the no-year marker, a sex code M, F, a blank or nothing. The header names
// the fields in any order and any letter case, separated by commas,
// semicolons (French spreadsheets) or tabs; the text is UTF-8, UTF-16 with
// its mark, else Windows-1252. Tarvelon's own export (the very bytes
// ecrireCsv writes for its entries) is its backup: they come back as they were,
// only what protects the file and the terminal checked (entree.h).
LectureCsv lireCsv(const QByteArray& octets);

} // namespace echange
