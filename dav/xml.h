#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

// The XML of WebDAV answers, read by namespace and name, never by prefix or
// order (QXmlStreamReader).
namespace dav {

inline const QString NsDav = QStringLiteral("DAV:");
inline const QString NsCaldav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
inline const QString NsCarddav = QStringLiteral("urn:ietf:params:xml:ns:carddav");
inline const QString NsCalServer = QStringLiteral("http://calendarserver.org/ns/");

struct Element {
    QString ns;
    QString name;
    QString text;                                        // the text directly inside
    std::vector<std::pair<QString, QString>> attributes; // (local name, value)
    std::vector<Element> children;

    QString attribute(const QString& name) const;

    const Element* child(const QString& ns, const QString& name) const;
    std::vector<const Element*> all(const QString& ns, const QString& name) const;
    bool is(const QString& n, const QString& nm) const { return ns == n && name == nm; }
};

// A document, or none when it is not well-formed XML, declares a DTD or an
// entity, or nests past any answer's depth; why says which, in French.
std::optional<Element> parseXml(const QByteArray& bytes, QString* why = nullptr);

// One response of a multistatus: its href (resolved against the request's
// URL), its own status when there is one (a member removed: 404), and each
// property found with its propstat's status.
struct ResponseItem {
    QUrl url;
    int status = 0;
    std::vector<std::pair<int, Element>> properties; // (status, prop element)

    // A property found (status 2xx).
    const Element* property(const QString& ns, const QString& name) const;
};

// The longest sync-token kept.
inline constexpr qsizetype MaxTokenLength = 4096;
// The most responses one answer may hold (no calendar or book is that
// large), and the most elements of any answer (a member takes six).
inline constexpr qsizetype MaxMembers = 50000;
inline constexpr qsizetype MaxElements = 8 * MaxMembers;

struct Multistatus {
    std::vector<ResponseItem> items;
    QString token; // DAV:sync-token, for a sync-collection
};

// A 207 answer, read; none when it is not one, or lists more than
// MaxMembers (why says so, in French).
std::optional<Multistatus> parseMultistatus(const QByteArray& bytes, const QUrl& requestUrl,
                                            QString* why = nullptr);

// Two addresses of the same resource, their paths compared decoded.
bool sameResource(const QUrl& a, const QUrl& b);

// "<d:href>…</d:href>" made safe.
QByteArray escapeXml(const QString& text);

} // namespace dav
