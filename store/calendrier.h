#pragma once

#include <QString>
#include <vector>

namespace platform {
class SqliteDatabase;
}

struct CalendarEntry {
    QString date;
    QString nom;
    QString mf;
};

// The French name days shipped with the program, one per line of the bundled
// table, in calendar order (the main name of each day first).
std::vector<CalendarEntry> bundledCalendar();

// Opens the calendar database at path. When the file does not exist, it is
// made and filled with the bundled calendar in one transaction first. A file
// that is not an SQLite database or has no table Fetes with the fields Nom,
// Date, Annee and MF is left untouched and *message says so in French.
bool openCalendar(platform::SqliteDatabase& db, const QString& path, QString* message);
