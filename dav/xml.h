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
    QString nom;
    QString texte;                                      // the text directly inside
    std::vector<std::pair<QString, QString>> attributs; // (local name, value)
    std::vector<Element> enfants;

    QString attribut(const QString& nom) const;

    const Element* enfant(const QString& ns, const QString& nom) const;
    std::vector<const Element*> tous(const QString& ns, const QString& nom) const;
    bool est(const QString& n, const QString& nm) const { return ns == n && nom == nm; }
};

// A document, or none when it is not well-formed XML.
std::optional<Element> lireXml(const QByteArray& octets);

// One response of a multistatus: its href (resolved against the request's
// URL), its own status when there is one (a member removed: 404), and each
// property found with its propstat's status.
struct Membre {
    QUrl url;
    int statut = 0;
    std::vector<std::pair<int, Element>> proprietes; // (status, prop element)

    // A property found (status 2xx).
    const Element* propriete(const QString& ns, const QString& nom) const;
};

struct Multistatus {
    std::vector<Membre> membres;
    QString jeton; // DAV:sync-token, for a sync-collection
};

// A 207 answer, read; none when it is not one.
std::optional<Multistatus> lireMultistatus(const QByteArray& octets, const QUrl& requete);

// Two addresses of the same resource, their paths compared decoded.
bool memeRessource(const QUrl& a, const QUrl& b);

// "<d:href>…</d:href>" made safe.
QByteArray echapperXml(const QString& texte);

} // namespace dav
