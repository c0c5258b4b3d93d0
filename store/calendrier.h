#pragma once

#include <QString>

namespace socle {
class Database;
}

namespace store {

// Where the calendar lives, for the window and every command:
// $XDG_DATA_HOME/tarvelon/ (ending with "/"), and the file in it.
QString dataFolder();
QString calendarPath();

// Opens the calendar database at path. When the file does not exist, it is
// made and filled with the bundled calendar in one transaction first (made
// aside and renamed once complete). A file that is not an SQLite database or
// has no table Fetes with the fields Nom, Date, Annee and MF is left untouched
// and *message says so in French.
bool openCalendar(socle::Database& db, const QString& path, QString* message);

} // namespace store
