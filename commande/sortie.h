#pragma once

#include <QString>
#include <cstdio>

namespace echange {
struct Rapport;
}
namespace socle {
class Database;
}

// What the command line says: one way to write, to fail and to show usage.
namespace commande {

// Line by line; a file's names and dates are its data, and their control
// characters (a title or screen escape sequence) are blanked.
void ecrire(std::FILE* flux, const QString& texte);
// "tarvelon : " and the reason on the error output; exit status 1 (a file,
// the calendar, a server or the network refused).
int echec(const QString& raison);
// Bad usage, and where to learn more; exit status 2.
int usage(const QString& erreur);

// An exchange's report told, and its exit status.
int rendre(const echange::Rapport& rapport);
// The calendar of the window, made from the bundled one if it is not there
// yet; false, with the reason told, when it cannot be opened.
bool ouvrirCalendrier(socle::Database& base);

} // namespace commande
