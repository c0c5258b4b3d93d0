#pragma once

#include "socle/proches.h"
#include "synchro/rapprochement/rapprochement.h"

#include <QString>
#include <string>
#include <vector>

// The people of a followed address book, apart from the wire: every card
// with a name, with or without a birthday, is a person (keyed by the book and
// the card's path, so a renamed contact keeps the user's choice), wished by
// N's given names. A card gone from the book takes its person with it,
// unless the user chose its day or left it out: then it is kept, and counted.
namespace rapprochement {

struct ProchesDuCarnet {
    std::vector<socle::Proche> ecrits;  // new, or changed; the user's choice kept
    std::vector<std::string> supprimes; // keys
    int gardes = 0;                     // gone from the book, kept for the user's word
};

// After the book's edits are applied (apres holds the rowids of the entries
// written; the table as they leave it): what changes among its people. A
// card whose birthday the user had typed already is the person of that
// entry. A person kept is counted once, when its card goes (avant still knew
// the card).
ProchesDuCarnet prochesDuCarnet(const QString& carnet, const Releve& releve,
                                const EtatCarnet& avant, const EtatCarnet& apres,
                                const std::vector<socle::Proche>& existants,
                                const std::vector<socle::FicheStockee>& table);

// "carnet:<url>": where the book's people come from.
std::string sourceDuCarnet(const QString& carnet);

} // namespace rapprochement
