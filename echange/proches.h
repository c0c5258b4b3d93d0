#pragma once

#include "echange/vcard.h"
#include "socle/sqlite.h"

#include <QString>
#include <vector>

// The people of an imported address book: every card with a name, with or
// without a birthday, becomes a person (by its UID, else by the file and
// its name), wished on the name day of N's given names; a card imported
// again keeps the user's choice.
namespace echange {

// Inside the import's transaction; SqliteOk, else why. *nouveaux: the
// people the file brought for the first time. A file of a schema without
// people is left to it.
int ajouterProches(socle::Database& base, const std::vector<Carte>& cartes, const QString& fichier,
                   int* nouveaux);

} // namespace echange
