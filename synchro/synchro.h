#pragma once

#include "synchro/compte.h"
#include "synchro/publication.h"

#include <QString>

// A whole run of the synchronisation, on a connection of its own to the
// calendar's file: the calendar published to the account's server.
namespace synchro {

Bilan synchroniser(const Compte& compte, const QString& motDePasse,
                   const QString& fichierCalendrier);

} // namespace synchro
