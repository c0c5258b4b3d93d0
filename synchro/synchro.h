#pragma once

#include "synchro/compte.h"
#include "synchro/publication.h"

#include <QString>
#include <chrono>

// A whole run of the synchronisation, on a connection of its own to the
// calendar's file: the calendar published to the account's server.
namespace synchro {

// How long a run waits for another one under way before it gives up.
inline constexpr std::chrono::seconds AttenteDUneAutreSynchronisation{10};

// A run waits for another under way (AttenteDUneAutreSynchronisation), else
// says "une synchronisation est déjà en cours".
// `avancement` hears how far the publish is (after each lot of writes).
Bilan synchroniser(const Compte& compte, const QString& motDePasse,
                   const QString& fichierCalendrier, const Avancement& avancement = {});

} // namespace synchro
