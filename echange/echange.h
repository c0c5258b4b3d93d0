#pragma once

#include "socle/fetes.h"

#include <QString>

// Birthdays in and out of the calendar: contacts (.vcf), agendas (.ics) and
// spreadsheets (.csv), the kind told by the file's extension. The table keeps
// its four fields: a birthday without a year gets the year AnneeInconnue.
namespace echange {

// "aucun anniversaire ajouté", "1 anniversaire ajouté", "12 anniversaires
// ajoutés": the counts of every report.
QString compte(qsizetype n, const QString& singulier, const QString& pluriel, bool feminin = false);

enum class Sorte { Inconnue, Vcard, Icalendar, Csv };
Sorte sorteDe(const QString& fichier);

// The French report: what was done, or why nothing was.
struct Rapport {
    enum Issue { Reussi, Illisible, Usage } issue = Reussi;
    QString texte;
};

// Imports the birthdays of a vCard file or the entries of a CSV file, all in
// one transaction: a file that cannot be read adds nothing. An entry with the
// same name, day and year is already there; a birthday without a year is
// already there when that name has a birthday on that day.
Rapport importer(socle::Database& base, const QString& fichier);

// Writes the birthdays, the name days or both, as the file's kind allows
// (a vCard file holds birthdays only). The file is replaced whole, or left as
// it was.
Rapport exporter(socle::Database& base, const QString& fichier, socle::Selection selection);

} // namespace echange
