#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;

// A small WebDAV client (CalDAV, CardDAV) over QtNetwork: Debian 12 has no
// Qt 6 DAV library (KDAV is Qt 5 only). What real servers need:
// - redirects followed by the client itself, the same method and body sent
//   again (Qt's own policy turns a 301 on PROPFIND into a GET), five at most,
//   never from https to http;
// - the credentials given to the account's origin only, Basic or Digest;
// - Accept-Encoding: identity (a server that compresses changes the ETag,
//   and every conditional write then fails);
// - TLS through the system's store; a certificate it does not know is
//   refused until the user accepts its SHA-256 fingerprint.
// Requests are synchronous (a local event loop): a caller that must not hold
// a window runs them in a thread of its own.
namespace dav {

using Entetes = QList<QPair<QByteArray, QByteArray>>;

struct Reponse {
    int statut = 0;   // 0: no answer at all (erreur says why)
    QByteArray corps; // the body
    Entetes entetes;
    QUrl url;       // the last URL asked, after redirects
    QString erreur; // empty when the server answered (whatever its status)

    bool reussie() const { return erreur.isEmpty() && statut >= 200 && statut < 300; }
    QByteArray entete(const QByteArray& nom) const;
};

// Who speaks to the server.
struct Identite {
    QUrl origine; // credentials go to this origin (scheme, host, port) only
    QString utilisateur;
    QString motDePasse;
    QStringList empreintesAcceptees; // SHA-256, as "AB:CD:…"
};

class Client {
public:
    explicit Client(Identite identite, int attenteMs = 30000);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    Reponse requete(const QByteArray& methode, const QUrl& url, const QByteArray& corps = {},
                    const Entetes& entetes = {});

    // The fingerprint of a certificate refused (for the user to accept).
    QString empreinteRefusee() const { return m_empreinteRefusee; }
    // How many requests went to the server (redirects and retries counted).
    int requetes() const { return m_requetes; }
    const Identite& identite() const { return m_identite; }

private:
    Reponse envoyer(const QByteArray& methode, const QUrl& url, const QByteArray& corps,
                    const Entetes& entetes);

    Identite m_identite;
    int m_attenteMs;
    std::unique_ptr<QNetworkAccessManager> m_reseau;
    QString m_empreinteRefusee;
    int m_requetes = 0;
};

// "https://serveur:port": what the credentials are kept to.
QString origine(const QUrl& url);

// The French words for a status or a failure of a request.
QString raison(const Reponse& reponse);

} // namespace dav
