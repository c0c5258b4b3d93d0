#pragma once

#include <QStringList>

// tarvelon's command line for the user's servers:
//   tarvelon --compte ADRESSE UTILISATEUR [--agenda NOM] [--carnet NOM]…
//            [--mot-de-passe-commande COMMANDE] [--rappel aucun|veille|jour]
//            [--certificat EMPREINTE] [--synchroniser]
//   tarvelon --synchroniser
// Exit status: 0 done, 1 the server or the network refused (the state is
// left as it was), 2 bad usage.
namespace commande {

bool estSynchronisation(const QStringList& arguments);
int executerSynchronisation(const QStringList& arguments);

} // namespace commande
