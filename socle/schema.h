#pragma once

#include "socle/sqlite.h"

// The calendar file's schema, told by its version (PRAGMA user_version):
// 0 for a file the old program or an earlier Tarvelon made (the table Fetes
// alone), 1 for one that declared it, 2 with the people (Proches),
// SchemaVersion for one this program knows whole. Whoever opens the
// file for writing brings it up to date first; the table Fetes stays exactly
// as the old program had it (its four text fields, no other), so that an
// older Tarvelon and the reminder still read it.
namespace socle {

inline constexpr int SchemaVersion = 2;

struct MiseANiveau {
    enum Etat {
        AJour,      // the file is at this program's version (now)
        PlusRecent, // written by a newer Tarvelon: to be read only, never altered
        Impossible  // the steps could not be stored (code says why)
    } etat = AJour;
    int version = 0; // the file's version as found
    int code = SqliteOk;
};

// The version a file declares; SqliteOk, else why it cannot be read.
int lireVersion(Database& base, int& version);

// Runs the steps from the file's version up to SchemaVersion in one
// transaction: all of them or none.
MiseANiveau mettreANiveau(Database& base);

} // namespace socle
