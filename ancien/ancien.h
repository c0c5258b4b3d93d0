#pragma once

#include "ancien/access.h"
#include "echange/echange.h"

#include <QString>
#include <optional>

namespace socle {
class Database;
}

// The installation of the program that this one re-creates, brought over:
// its Access database tarvelon.mdb (the table Fetes, the same four text
// fields), its settings file tarvelon.inf and the wave files it names, from
// the folder c:\tarvelon of a Windows machine, a Windows partition or a Wine
// prefix. Nothing the user already has is ever overwritten.
namespace ancien {

// What comes from the old installation: an Access file (.mdb, .accdb) or a
// folder.
bool estAncien(const QString& chemin);

// Imports an Access database's table Fetes, or a whole old folder: its
// tarvelon.mdb, then its tarvelon.inf when the user has none yet, then the
// wave files those settings name and the user does not have yet.
// installation: the user's installation directory, ending with "/".
echange::Rapport importer(socle::Database& base, const QString& chemin,
                          const QString& installation);

// The rows of an Access table Fetes read, into the calendar: as they are, in
// the file's order, in one transaction, with the exchanges' duplicate rule.
// A NULL field reads as an empty text, except Annee: such a row comes in as
// a name day when its MF says Saint or Sainte (M, F), else as a birthday
// without a year. The report counts those rows and names every value longer
// than the window's boxes (kept whole).
echange::Rapport importerTable(socle::Database& base, const QString& fichier,
                               const TableAccess& table);

// The old installation of a Wine prefix ($WINEPREFIX, else ~/.wine): its
// folder drive_c/tarvelon when it holds tarvelon.mdb (letter case aside).
std::optional<QString> installationWine();

} // namespace ancien
