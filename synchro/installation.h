#pragma once

#include "synchro/carnets.h"
#include "synchro/compte.h"

#include <QString>
#include <QUrl>
#include <vector>

// Setting an account up, for the account dialog and tarvelon --compte alike:
// what the server offers (its calendars and address books), a calendar made
// for Tarvelon, and what a book would bring before it is followed.
namespace synchro {

struct Collection {
    QString nom;
    QUrl url;
};

struct Offre {
    // Why the account could not be found, in French; empty when found.
    QString erreur;
    // A certificate the system does not trust (its SHA-256): the account can
    // be found once the user accepts it.
    QString empreinteRefusee;
    QUrl maisonAgendas; // where a calendar can be made
    std::vector<Collection> agendas;
    QString erreurAgendas; // the calendars could not be listed
    std::vector<Collection> carnets;
    QString erreurCarnets;      // the address books could not be found
    QString erreurListeCarnets; // or listed
};

// The account's calendars (those that take events) and address books.
Offre chercherOffre(const Compte& compte, const QString& motDePasse);

// A calendar of that name made in maison; its URL, or the server's refusal.
struct AgendaCree {
    QUrl url;
    QString erreur;
};
AgendaCree creerAgenda(const Compte& compte, const QString& motDePasse, const QUrl& maison,
                       const QString& nom);

// What the first import of a book would bring, nothing written.
Apercu apercuDuCarnet(const Compte& compte, const QString& motDePasse, const QUrl& carnet,
                      socle::Database& base);

} // namespace synchro
