#pragma once

#include "socle/fetes.h"
#include "synchro/compte.h"
#include "synchro/connexion.h"
#include "synchro/ouverture.h"
#include "synchro/rapprochement/rapprochement.h"

#include <QString>

// The calendar shared by the user's installations (a desktop and a laptop
// on one account): the events another Tarvelon wrote come into the table
// before the publish. Its birthdays follow the address books' rule (each
// event followed as a card: its changes and deletions come, unless the user
// changed the entry here; one the table has already is not doubled); the
// names of its days of name days come too, so that two installations end
// with their union. Nothing comes before the user said yes: until then a
// run that finds such events says what they hold and stops.
namespace synchro {

struct BilanPartage {
    QString erreur;   // French, whole: the run stops there
    QString texte;    // what came in; empty when nothing did
    QString question; // not asked yet, and the calendar holds what this table has not
    bool tableChangee = false;
    rapprochement::EtatCarnet etat; // kept once the publish is done (garderPartage)
};

BilanPartage partager(Connexion& connexion, const Compte& compte, const Ouverture& ouverture,
                      socle::Database& base, socle::Instantane& table);

// The state kept after the publish: the events it deleted are forgotten,
// each birthday it wrote followed as the entry of the table that holds it.
bool garderPartage(BilanPartage& partage, const Compte& compte, const Ouverture& ouverture,
                   const std::vector<socle::FicheStockee>& table);

QString fichierEtatPartage();

} // namespace synchro
