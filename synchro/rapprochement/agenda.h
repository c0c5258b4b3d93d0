#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <map>
#include <optional>
#include <vector>

// The calendar published, apart from the wire: what Tarvelon last wrote, what
// the server lists and the events wanted come in; the writes to make, in
// order, go out. Tarvelon's own events only: an event it did not write (and
// did not name) is never touched.
namespace rapprochement {

// What Tarvelon last wrote of an event, and where.
struct Trace {
    QString href;
    QByteArray etag;
    QByteArray empreinte; // a hash of the event as written, without its DTSTAMP

    bool operator==(const Trace&) const = default;
};

struct EtatAgenda {
    QString agenda;
    QString jeton;
    std::map<QByteArray, Trace> evenements; // by UID
};

// What the calendar says since the state's token.
struct ReleveAgenda {
    std::vector<std::pair<QUrl, QByteArray>> presents; // with their ETags
    std::vector<QUrl> supprimes;
    bool complet = false; // every event is listed: what is not is gone
    QString jeton;
};

// An event as Tarvelon wants it on the server.
struct Voulu {
    QByteArray uid;
    QByteArray octets;
    QByteArray empreinte;
};

struct Ecriture {
    enum class Sorte {
        Ajout,
        Modification,
        RemisChange,   // changed on the server behind Tarvelon's back
        RemisSupprime, // deleted there
        Suppression,   // no longer wanted
        Oubli          // no longer wanted, and already gone: only the state forgets it
    } sorte;
    QByteArray uid;
    QUrl url;
    QByteArray octets;                 // the event, but for deletions
    QByteArray empreinte;              // what the state records once written
    std::optional<QByteArray> attendu; // If-Match; none: If-None-Match: *

    bool operator==(const Ecriture&) const = default;
};

// The writes first, then the deletions. A run that finds nothing changed
// plans nothing.
std::vector<Ecriture> planifier(const EtatAgenda& etat, const ReleveAgenda& releve,
                                const QUrl& agenda, const std::vector<Voulu>& voulus);

} // namespace rapprochement
