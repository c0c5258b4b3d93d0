#include "dav/dav.h"

#include <QRegularExpression>
#include <QUuid>

namespace dav {

namespace {

const QByteArray Xml = "application/xml; charset=utf-8";

Headers withDepth(const char* depth)
{
    return {{"Content-Type", Xml}, {"Depth", depth}};
}

QByteArray propfind(const QByteArray& properties)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\" "
           "xmlns:a=\"urn:ietf:params:xml:ns:carddav\" "
           "xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop>" +
           properties + "</d:prop></d:propfind>";
}

// A multistatus answer, or the reason there is none.
std::optional<Multistatus> multistatus(const Response& r, QString& error)
{
    // An answer cut short (the deadline, the size bound) says why, not
    // that its XML is unreadable.
    if (r.status != 207 || !r.error.isEmpty()) {
        error = reason(r);
        return std::nullopt;
    }
    return parseMultistatus(r.body, r.url, &error);
}

// The href a property holds (current-user-principal, the home sets).
std::optional<QUrl> hrefOf(const ResponseItem& m, const QString& ns, const QString& name,
                           const QUrl& base)
{
    const Element* p = m.property(ns, name);
    const Element* href = p ? p->child(NsDav, QStringLiteral("href")) : nullptr;
    if (!href || href->text.isEmpty())
        return std::nullopt;
    return base.resolved(QUrl(href->text));
}

std::optional<QUrl> principal(Client& client, const QUrl& url, QString& error)
{
    const Response r =
        client.request("PROPFIND", url, propfind("<d:current-user-principal/>"), withDepth("0"));
    const std::optional<Multistatus> m = multistatus(r, error);
    if (!m)
        return std::nullopt;
    for (const ResponseItem& member : m->items)
        if (auto p = hrefOf(member, NsDav, QStringLiteral("current-user-principal"), r.url))
            return p;
    error = QStringLiteral("le serveur ne dit pas où est votre compte (current-user-principal)");
    return std::nullopt;
}

QString slug(const QString& name)
{
    QString s = name.normalized(QString::NormalizationForm_D).toLower();
    s.remove(QRegularExpression(QStringLiteral("[^a-z0-9 -]")));
    s = s.simplified().replace(QLatin1Char(' '), QLatin1Char('-'));
    return s.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : s;
}

} // namespace

QUrl startAddress(const QString& address)
{
    const QString a = address.trimmed();
    if (a.contains(QStringLiteral("://")))
        return QUrl(a);
    if (const qsizetype atSign = a.lastIndexOf(QLatin1Char('@')); atSign >= 0)
        return QUrl(QStringLiteral("https://") + a.mid(atSign + 1) + QLatin1Char('/'));
    return QUrl(QStringLiteral("https://") + a + (a.contains(QLatin1Char('/')) ? "" : "/"));
}

Discovery discover(Client& client, const QString& address, Kind kind)
{
    Discovery d;
    const QUrl start = startAddress(address);
    if (!start.isValid() || start.host().isEmpty()) {
        d.error = QStringLiteral("« %1 » n'est pas l'adresse d'un serveur").arg(address);
        return d;
    }
    // The address as given, then the server's well-known place.
    QString error;
    std::optional<QUrl> p = principal(client, start, error);
    if (!p) {
        const QString first = error;
        p = principal(
            client,
            start.resolved(QUrl(kind == Kind::Calendars ? QStringLiteral("/.well-known/caldav")
                                                        : QStringLiteral("/.well-known/carddav"))),
            error);
        if (!p) {
            d.error = first;
            return d;
        }
    }
    d.principal = *p;
    const bool calendars = kind == Kind::Calendars;
    const Response r =
        client.request("PROPFIND", *p,
                       propfind(calendars ? "<c:calendar-home-set/>" : "<a:addressbook-home-set/>"),
                       withDepth("0"));
    const std::optional<Multistatus> m = multistatus(r, error);
    if (!m) {
        d.error = error;
        return d;
    }
    for (const ResponseItem& member : m->items)
        if (auto home = hrefOf(member, calendars ? NsCaldav : NsCarddav,
                               calendars ? QStringLiteral("calendar-home-set")
                                         : QStringLiteral("addressbook-home-set"),
                               r.url))
            d.home = *home;
    if (d.home.isEmpty())
        d.error = calendars ? QStringLiteral("ce compte n'a pas d'agendas (calendar-home-set)")
                            : QStringLiteral("ce compte n'a pas de carnets d'adresses "
                                             "(addressbook-home-set)");
    return d;
}

namespace {

Collections listCollections(Client& client, const QUrl& url, Kind kind, const char* depth)
{
    Collections c;
    const Response r = client.request(
        "PROPFIND", url,
        propfind("<d:resourcetype/><d:displayname/><d:sync-token/><d:supported-report-set/>"
                 "<c:supported-calendar-component-set/>"),
        withDepth(depth));
    const std::optional<Multistatus> m = multistatus(r, c.error);
    if (!m)
        return c;
    for (const ResponseItem& member : m->items) {
        const Element* type = member.property(NsDav, QStringLiteral("resourcetype"));
        const bool wanted = type && (kind == Kind::Calendars
                                         ? type->child(NsCaldav, QStringLiteral("calendar"))
                                         : type->child(NsCarddav, QStringLiteral("addressbook")));
        if (!wanted)
            continue;
        Collection col;
        col.url = member.url;
        const Element* name = member.property(NsDav, QStringLiteral("displayname"));
        col.name = name && !name->text.isEmpty()
                       ? name->text
                       : member.url.path(QUrl::FullyDecoded).section(QLatin1Char('/'), -2, -2);
        if (const Element* comps =
                member.property(NsCaldav, QStringLiteral("supported-calendar-component-set"))) {
            col.takesEvents = false;
            for (const Element* comp : comps->all(NsCaldav, QStringLiteral("comp")))
                col.takesEvents = col.takesEvents || comp->attribute(QStringLiteral("name")) ==
                                                         QLatin1String("VEVENT");
        }
        col.syncTokens = member.property(NsDav, QStringLiteral("sync-token")) != nullptr;
        if (const Element* reports = member.property(NsDav, QStringLiteral("supported-report-set")))
            for (const Element* s : reports->all(NsDav, QStringLiteral("supported-report")))
                if (const Element* rep = s->child(NsDav, QStringLiteral("report")))
                    col.syncTokens =
                        col.syncTokens || rep->child(NsDav, QStringLiteral("sync-collection"));
        c.items.push_back(std::move(col));
    }
    return c;
}

} // namespace

Collections collections(Client& client, const QUrl& home, Kind kind)
{
    return listCollections(client, home, kind, "1");
}

std::optional<Collection> collection(Client& client, const QUrl& url, Kind kind, QString* error)
{
    Collections c = listCollections(client, url, kind, "0");
    *error = c.error;
    for (Collection& col : c.items)
        if (sameResource(col.url, url))
            return std::move(col);
    if (error->isEmpty())
        *error = kind == Kind::Calendars
                     ? QStringLiteral("%1 n'est pas un agenda").arg(url.toString())
                     : QStringLiteral("%1 n'est pas un carnet d'adresses").arg(url.toString());
    return std::nullopt;
}

Created makeCalendar(Client& client, const QUrl& home, const QString& name)
{
    Created c;
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<c:mkcalendar xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:set><d:prop>"
        "<d:displayname>" +
        escapeXml(name) +
        "</d:displayname><c:supported-calendar-component-set><c:comp name=\"VEVENT\"/>"
        "</c:supported-calendar-component-set></d:prop></d:set></c:mkcalendar>";
    QUrl base = home;
    if (!base.path().endsWith(QLatin1Char('/')))
        base.setPath(base.path() + QLatin1Char('/'));
    for (int attempt = 1; attempt <= 3; ++attempt) {
        const QString pathName =
            slug(name) + (attempt > 1 ? QStringLiteral("-%1").arg(attempt) : "");
        const QUrl url = base.resolved(QUrl(pathName + QLatin1Char('/')));
        const Response r = client.request("MKCALENDAR", url, body, {{"Content-Type", Xml}});
        if (r.status == 201 || r.status == 200) {
            c.url = url;
            return c;
        }
        if (r.status != 405 && r.status != 409) { // 405: that name is taken
            c.error = reason(r);
            return c;
        }
    }
    c.error = QStringLiteral("le serveur refuse de créer l'agenda");
    return c;
}

bool memberOf(const QUrl& member, const QUrl& collection, const QUrl& accountOrigin)
{
    if (origin(member) != origin(accountOrigin) || origin(collection) != origin(accountOrigin) ||
        !member.userInfo().isEmpty() || member.hasQuery() || member.hasFragment())
        return false;
    QString base = collection.path(QUrl::FullyDecoded);
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    const QString path = member.path(QUrl::FullyDecoded);
    if (!path.startsWith(base))
        return false;
    const QString name = path.mid(base.size());
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

Changes changes(Client& client, const Collection& collection, const QString& token)
{
    const QUrl account = client.identity().origin;
    Changes ch;
    if (!collection.syncTokens) {
        const Response r =
            client.request("PROPFIND", collection.url, propfind("<d:getetag/>"), withDepth("1"));
        const std::optional<Multistatus> m = multistatus(r, ch.error);
        if (!m)
            return ch;
        ch.complete = true;
        for (const ResponseItem& member : m->items) {
            if (sameResource(member.url, collection.url))
                continue;
            if (!memberOf(member.url, collection.url, account))
                ++ch.outside;
            else if (const Element* e = member.property(NsDav, QStringLiteral("getetag")))
                ch.present.push_back({member.url, e->text.toUtf8()});
        }
        return ch;
    }
    const auto report = [&](const QString& since) {
        return client.request(
            "REPORT", collection.url,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\">"
            "<d:sync-token>" +
                escapeXml(since) +
                "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                "</d:sync-collection>",
            withDepth("0"));
    };
    Response r = report(token);
    // A token the server no longer knows (said so, or answered by an error:
    // Xandikos fails with 500 on a token it never gave): everything again,
    // from none.
    if (!token.isEmpty() && r.error.isEmpty() && r.status >= 400 && r.status != 401 &&
        r.status != 407) {
        ch.tokenUnknown = true;
        r = report(QString());
    }
    const std::optional<Multistatus> m = multistatus(r, ch.error);
    if (!m)
        return ch;
    ch.complete = token.isEmpty() || ch.tokenUnknown;
    ch.token = m->token;
    for (const ResponseItem& member : m->items) {
        if (sameResource(member.url, collection.url))
            continue;
        if (!memberOf(member.url, collection.url, account)) {
            ++ch.outside;
            continue;
        }
        if (member.status == 404) {
            ch.removed.push_back(member.url);
            continue;
        }
        if (const Element* e = member.property(NsDav, QStringLiteral("getetag")))
            ch.present.push_back({member.url, e->text.toUtf8()});
    }
    return ch;
}

Resources fetch(Client& client, const QUrl& collection, const std::vector<QUrl>& members, Kind kind)
{
    Resources d;
    const bool calendars = kind == Kind::Calendars;
    for (size_t begin = 0; begin < members.size(); begin += 100) {
        QByteArray hrefs;
        for (size_t i = begin; i < std::min(members.size(), begin + 100); ++i)
            hrefs += "<d:href>" + escapeXml(members[i].path(QUrl::FullyEncoded)) + "</d:href>";
        const QByteArray body =
            calendars ? "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:calendar-multiget "
                        "xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop>"
                        "<d:getetag/><c:calendar-data/></d:prop>" +
                            hrefs + "</c:calendar-multiget>"
                      : "<?xml version=\"1.0\" encoding=\"utf-8\"?><a:addressbook-multiget "
                        "xmlns:d=\"DAV:\" xmlns:a=\"urn:ietf:params:xml:ns:carddav\"><d:prop>"
                        "<d:getetag/><a:address-data/></d:prop>" +
                            hrefs + "</a:addressbook-multiget>";
        const Response r = client.request("REPORT", collection, body, withDepth("1"));
        const std::optional<Multistatus> m = multistatus(r, d.error);
        if (!m)
            return d;
        for (const ResponseItem& member : m->items) {
            if (!memberOf(member.url, collection, client.identity().origin)) {
                ++d.outside;
                continue;
            }
            const Element* etag = member.property(NsDav, QStringLiteral("getetag"));
            const Element* data = member.property(calendars ? NsCaldav : NsCarddav,
                                                  calendars ? QStringLiteral("calendar-data")
                                                            : QStringLiteral("address-data"));
            if (data)
                d.items.push_back(
                    {member.url, etag ? etag->text.toUtf8() : QByteArray(), data->text.toUtf8()});
            else if (member.status == 404 ||
                     (!member.properties.empty() && member.properties.front().first == 404))
                d.missing.push_back(member.url);
        }
    }
    return d;
}

std::vector<Written> writeAll(Client& client, const std::vector<Write>& writes)
{
    std::vector<Request> requests;
    requests.reserve(writes.size());
    for (const Write& w : writes) {
        Headers headers;
        if (!w.type.isEmpty())
            headers.append(qMakePair(QByteArray("Content-Type"), w.type));
        if (w.expectedEtag)
            headers.append(qMakePair(QByteArray("If-Match"), *w.expectedEtag));
        else if (!w.type.isEmpty())
            headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
        requests.push_back(
            {w.type.isEmpty() ? QByteArray("DELETE") : QByteArray("PUT"), w.url, w.data, headers});
    }
    const std::vector<Response> answers = client.requestAll(requests);
    std::vector<Written> results(writes.size());
    for (size_t i = 0; i < writes.size(); ++i) {
        const Response& r = answers[i];
        Written& e = results[i];
        e.status = r.status;
        if (writes[i].type.isEmpty()) {
            if (!r.ok() && !(r.error.isEmpty() && r.status == 404))
                e.error = reason(r);
            continue;
        }
        if (!r.ok()) {
            e.error = reason(r);
            continue;
        }
        e.etag = r.header("ETag");
        if (e.etag.isEmpty()) {
            // Not said: asked.
            QString error;
            if (const std::optional<QByteArray> etag = currentEtag(client, writes[i].url, &error))
                e.etag = *etag;
        }
    }
    return results;
}

Written put(Client& client, const QUrl& url, const QByteArray& data, const QByteArray& type,
            const std::optional<QByteArray>& expectedEtag)
{
    return writeAll(client, {{url, data, type, expectedEtag}}).front();
}

std::optional<QByteArray> currentEtag(Client& client, const QUrl& url, QString* error)
{
    const Response r = client.request("PROPFIND", url, propfind("<d:getetag/>"), withDepth("0"));
    if (r.error.isEmpty() && r.status == 404)
        return std::nullopt;
    const std::optional<Multistatus> m = multistatus(r, *error);
    if (!m)
        return std::nullopt;
    for (const ResponseItem& member : m->items)
        if (const Element* etag = member.property(NsDav, QStringLiteral("getetag")))
            return etag->text.toUtf8();
    return std::nullopt;
}

Written remove(Client& client, const QUrl& url, const std::optional<QByteArray>& etag)
{
    return writeAll(client, {{url, {}, {}, etag}}).front();
}

} // namespace dav
