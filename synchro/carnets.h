#pragma once

#include "socle/fetes.h"
#include "synchro/compte.h"
#include "synchro/connexion.h"
#include "synchro/rapprochement/rapprochement.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <map>
#include <vector>

// The birthdays of the address books the user follows on the account's
// server (CardDAV), kept in step, read-only: Tarvelon never writes a contact.
//
// For each contact it records what it wrote into the table (the entry's
// rowid, name, day and year, in $XDG_STATE_HOME/tarvelon/carnets.json). A
// contact whose birthday changed updates its entry, a contact deleted or
// whose birthday was removed removes it, only while the entry still holds
// what Tarvelon wrote: an entry the user changed (or deleted) in the window
// is the user's, kept, and the report counts it. Removals by absence only
// after a complete listing. New birthdays follow the exchanges' duplicate
// rule: one the user already typed is not doubled (and stays the user's).
namespace synchro {

struct BilanCarnets {
    bool reussi = true;
    QString texte;             // French: one sentence per book, or why not
    bool tableChangee = false; // entries were added, changed or removed
    // What Tarvelon wrote from the books, by rowid: such an entry that still
    // holds it is not published to the calendar unless the user asks (the
    // phone shows it already).
    std::map<std::int64_t, socle::Fiche> ecrites;
};

// A run over the account's books, on the calendar's connection; each book
// in one transaction, its state recorded after it. The state of a book no
// longer followed is dropped: its entries are the user's.
// The table is the run's one reading of it; it follows what the books wrote.
BilanCarnets suivreCarnets(Connexion& connexion, const Compte& compte, socle::Database& base,
                           socle::Instantane& table);

// What the first import of a book would bring, without writing anything:
// "148 anniversaires trouvés dans 412 contacts, dont 12 déjà présents".
struct Apercu {
    int contacts = 0;
    int anniversaires = 0;
    int presents = 0;
    QString erreur;
    QString texte() const;
};
Apercu apercu(Connexion& connexion, const QUrl& carnet, socle::Database& base);

// What the rule changed in the table, in words: "2 anniversaires ajoutés",
// "1 modifié", "1 supprimé", "1 fiche gardée telle que vous l'avez changée".
QStringList changementsDits(const rapprochement::Compteurs& n);

// The state file of the address books followed.
QString fichierEtatCarnets();

} // namespace synchro
