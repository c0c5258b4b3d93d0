#pragma once

#include "socle/fetes.h"
#include "socle/proches.h"

#include <map>
#include <string>

// The people kept in step with the calendar: every birthday entry is a
// person (its first given name wished on its name day) unless another
// source brought it already; the day proposed follows the calendar's name
// days until the user chooses one. Plain C++ over the floor: the reminder
// and the command line use it without a toolkit.
namespace proches {

struct Bilan {
    int ajoutes = 0; // new birthday entries, now people
    int retires = 0; // their entry deleted: gone with it
    int gardes = 0;  // their entry deleted, kept for the user's choice
    int modifies = 0;
};

// In one transaction (SqliteOk, else why, and nothing written): a person
// for each birthday entry no person has yet; a person of an entry that is no
// longer there goes, unless the user chose its day or left it out (kept,
// without its entry); a renamed entry renames its person; every day the
// user did not choose proposed again from the calendar's name days.
int suivreLeCalendrier(socle::Database& base, Bilan* bilan = nullptr);

// The people of cards (a contacts file's, an address book's) written, each
// over its earlier self when it has one (whose choice the caller kept), its
// day proposed unless the user chose one. The person a birthday entry made
// before its card came is that card's: its choice is carried over to a new
// one, and it is dropped. connus: the people by key, kept in step.
int ecrireDesCartes(socle::Database& base, std::vector<socle::Proche> cartes,
                    std::map<std::string, socle::Proche>& connus,
                    const std::vector<socle::FicheStockee>& table);

// The birthday entries by name (blanks at its ends aside), day and year:
// the entry a card's birthday already is, whoever typed it.
class EntreesDeNaissance {
public:
    explicit EntreesDeNaissance(const std::vector<socle::FicheStockee>& table);
    // Its rowid; 0 when the table has no such entry.
    std::int64_t rowid(const socle::Fiche& naissance) const;

private:
    std::map<std::string, std::int64_t> m_rowids;
};

// The user's word on a person: its day ("dd/mm"; empty: the proposed one
// again) and whether to wish it. False when the day is no day.
bool choisir(socle::Proche& proche, const std::string& jour, bool souhaiter,
             const std::vector<socle::FicheStockee>& table);

} // namespace proches
