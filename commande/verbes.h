#pragma once

#include "socle/fetes.h"
#include "synchro/compte.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// The command line's verbs, each in a file of its own; each gives the exit
// status.
namespace commande {

// tarvelon --importer FICHIER|DOSSIER
int importer(const QString& chemin);
// tarvelon --exporter FICHIER [--fetes|--anniversaires]
int exporter(const QString& chemin, socle::Selection selection);

// tarvelon --compte ADRESSE UTILISATEUR [--agenda NOM] [--carnet NOM]…
// Run again for the same account, it changes what it is given and keeps
// the rest (the calendar, the books followed, the reminder…).
struct DemandeCompte {
    QString adresse, utilisateur;
    std::optional<QString> agenda; // the calendar's name
    std::optional<QString> commandeMotDePasse;
    std::optional<synchro::Rappel> rappel;
    QStringList empreintes, carnets;
    bool publierCarnets = false; // given: on
    std::optional<bool> prochesPublies;
};
int compte(const DemandeCompte& demande);

// tarvelon --synchroniser
// With a reply, the user's word on the calendar another installation shares.
int synchroniser(std::optional<bool> reponse = std::nullopt);

// tarvelon --bureau oui|non
int afficherAuBureau(bool oui);
// The calendar file the desktop reads, after a verb that changed the calendar.
void suivreAuBureau();

// tarvelon --proches [AAAA-MM-JJ]
int listerProches(const std::optional<QDate>& jour);

} // namespace commande
