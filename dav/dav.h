#pragma once

#include "dav/client.h"
#include "dav/xml.h"

#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

// The CalDAV and CardDAV requests Tarvelon makes, over the client.
namespace dav {

enum class Kind { Calendars, AddressBooks };

// Where an account's calendars or address books live: from the address as
// given (or the domain of an e-mail address), its /.well-known/ redirect,
// the current-user-principal, then calendar-home-set or
// addressbook-home-set. Each failure says why, in French.
struct Discovery {
    QUrl principal;
    QUrl home; // the home set
    QString error;
};
Discovery discover(Client& client, const QString& address, Kind kind);

// The URL to start from for an address as the user writes it: an URL, a
// server's name, or an e-mail address (its domain).
QUrl startAddress(const QString& address);

struct Collection {
    QUrl url;
    QString name;            // displayname, else the last part of the path
    bool takesEvents = true; // a calendar that takes VEVENTs
    bool syncTokens = false; // the server offers sync-collection
};
struct Collections {
    std::vector<Collection> items;
    QString error;
};
Collections collections(Client& client, const QUrl& home, Kind kind);
// One collection, by its address (Depth 0).
std::optional<Collection> collection(Client& client, const QUrl& url, Kind kind, QString* error);

// MKCALENDAR; the new calendar's URL, or the reason (some servers refuse).
struct Created {
    QUrl url;
    QString error;
};
Created makeCalendar(Client& client, const QUrl& home, const QString& name);

// A member of a collection and its ETag.
struct Member {
    QUrl url;
    QByteArray etag;
};

// What changed in a collection: by sync-collection from a token (none: all
// of it), else by a listing of every member's ETag. Only the collection's own
// members on the account's origin are kept: whatever else a listing names is
// never read, written or deleted.
struct Changes {
    bool complete = false; // every member was listed: a member not said is gone
    std::vector<Member> present;
    std::vector<QUrl> removed;
    QString token;
    bool tokenUnknown = false; // the server no longer knows the token given
    int outside = 0;           // hrefs listed that are not members of the collection: ignored
    QString error;
};
Changes changes(Client& client, const Collection& collection, const QString& token);

// The data of some members, 100 at a time (calendar-multiget,
// addressbook-multiget).
struct Resource {
    QUrl url;
    QByteArray etag;
    QByteArray data;
};
struct Resources {
    std::vector<Resource> items;
    std::vector<QUrl> missing; // members the server no longer has (404)
    int outside = 0;           // answers for anything else: ignored
    QString error;
};
Resources fetch(Client& client, const QUrl& collection, const std::vector<QUrl>& members,
                Kind kind);

// A member's ETag as the server has it now (PROPFIND, Depth 0): none when
// the server no longer has it (404); none with *error set when it cannot say.
std::optional<QByteArray> currentEtag(Client& client, const QUrl& url, QString* error);

// A member of the collection itself (a name right under its path, no query),
// on the account's origin.
bool memberOf(const QUrl& member, const QUrl& collection, const QUrl& accountOrigin);

// A PUT: If-None-Match: * to create, If-Match to replace; the new ETag.
struct Written {
    int status = 0;
    QByteArray etag;
    QString error; // empty when written
};
Written put(Client& client, const QUrl& url, const QByteArray& data, const QByteArray& type,
            const std::optional<QByteArray>& expectedEtag);
// A DELETE with If-Match (none: whatever is there).
Written remove(Client& client, const QUrl& url, const std::optional<QByteArray>& etag);

// A write: a PUT (If-None-Match: * to create, If-Match to replace) or, with
// no type, a DELETE (If-Match when an ETag is given).
struct Write {
    QUrl url;
    QByteArray data;
    QByteArray type; // empty: a DELETE
    std::optional<QByteArray> expectedEtag;
};
// Several at once (Client::requestAll): the results in the order given.
std::vector<Written> writeAll(Client& client, const std::vector<Write>& writes);

} // namespace dav
