#pragma once

#include "dav/dav.h"
#include "socle/fetes.h"
#include "socle/proches.h"
#include "synchro/compte.h"
#include "synchro/connexion.h"
#include "synchro/publication.h"
#include "synchro/rapprochement/agenda.h"

#include <QString>
#include <QUrl>
#include <vector>

// The calendar opened for one run, inside synchro: the publish's state,
// the collection and what it lists since the state's token. The events
// another installation wrote are read from it (partage.cpp) before the
// publish plans its writes on it.
namespace synchro {

struct Ouverture {
    QString erreur; // French, whole: the run stops there
    rapprochement::EtatAgenda etat;
    QString jetonDeDepart; // the token the listing started from
    // The server did not have what the state says it has (a calendar made
    // anew, another server): listed whole, nothing it lacks is a deletion.
    bool refait = false;
    dav::Collection agenda;
    dav::Changes changements;
    std::vector<QUrl> supprimes; // the events this run deleted
    struct Ecrit {
        QUrl url;
        QByteArray etag;
        QByteArray octets;
    };
    std::vector<Ecrit> ecrits; // the events this run wrote
};

Ouverture ouvrir(Connexion& connexion, const Compte& compte);

// The publish on what ouvrir found.
Bilan publier(Connexion& connexion, const Compte& compte, Ouverture& ouverture,
              const std::vector<socle::Fiche>& fiches, const std::vector<socle::Proche>& proches,
              const Avancement& avancement);

// Whether a member's name is one Tarvelon gives its events.
bool nomDeTarvelon(const QUrl& url);

} // namespace synchro
