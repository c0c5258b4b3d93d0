#pragma once

#include "dav/client.h"
#include "dav/xml.h"

#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

// The CalDAV and CardDAV requests Tarvelon makes, over the client.
namespace dav {

enum class Sorte { Agendas, Carnets };

// Where an account's calendars or address books live: from the address as
// given (or the domain of an e-mail address), its /.well-known/ redirect,
// the current-user-principal, then calendar-home-set or
// addressbook-home-set. Each failure says why, in French.
struct Decouverte {
    QUrl principal;
    QUrl maison; // the home set
    QString erreur;
};
Decouverte decouvrir(Client& client, const QString& adresse, Sorte sorte);

// The URL to start from for an address as the user writes it: an URL, a
// server's name, or an e-mail address (its domain).
QUrl adresseDeDepart(const QString& adresse);

struct Collection {
    QUrl url;
    QString nom;            // displayname, else the last part of the path
    bool evenements = true; // a calendar that takes VEVENTs
    bool jetons = false;    // the server offers sync-collection
};
struct Collections {
    std::vector<Collection> liste;
    QString erreur;
};
Collections collections(Client& client, const QUrl& maison, Sorte sorte);
// One collection, by its address (Depth 0).
std::optional<Collection> collection(Client& client, const QUrl& url, Sorte sorte, QString* erreur);

// MKCALENDAR; the new calendar's URL, or the reason (some servers refuse).
struct Creation {
    QUrl url;
    QString erreur;
};
Creation creerAgenda(Client& client, const QUrl& maison, const QString& nom);

// A member of a collection and its ETag.
struct Objet {
    QUrl url;
    QByteArray etag;
};

// What changed in a collection: by sync-collection from a token (none: all
// of it), else by a listing of every member's ETag.
struct Changements {
    bool complet = false; // every member was listed: a member not said is gone
    std::vector<Objet> presents;
    std::vector<QUrl> supprimes;
    QString jeton;
    bool jetonInconnu = false; // the server no longer knows the token given
    QString erreur;
};
Changements changements(Client& client, const Collection& collection, const QString& jeton);

// The data of some members, 100 at a time (calendar-multiget,
// addressbook-multiget).
struct Donnee {
    QUrl url;
    QByteArray etag;
    QByteArray donnees;
};
struct Donnees {
    std::vector<Donnee> liste;
    std::vector<QUrl> absents; // members the server no longer has (404)
    QString erreur;
};
Donnees recuperer(Client& client, const QUrl& collection, const std::vector<QUrl>& membres,
                  Sorte sorte);

// A PUT: If-None-Match: * to create, If-Match to replace; the new ETag.
struct Ecriture {
    int statut = 0;
    QByteArray etag;
    QString erreur; // empty when written
};
Ecriture ecrire(Client& client, const QUrl& url, const QByteArray& donnees, const QByteArray& type,
                const std::optional<QByteArray>& etagAttendu);
// A DELETE with If-Match (none: whatever is there).
Ecriture supprimer(Client& client, const QUrl& url, const std::optional<QByteArray>& etag);

} // namespace dav
