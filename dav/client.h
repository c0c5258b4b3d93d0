#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

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
// - no answer read past MaxBodyBytes, and none waited for past the run's
//   deadline: a server cannot fill the memory or keep a run going for hours.
// Requests are synchronous (a local event loop): a caller that must not hold
// a window runs them in a thread of its own.
namespace dav {

// The most of one answer that is read (a multistatus page, a card, an
// event): a listing of 50,000 members takes some 10 MiB.
inline constexpr qint64 MaxBodyBytes = 32 << 20;

using Headers = QList<QPair<QByteArray, QByteArray>>;

struct Request {
    QByteArray method;
    QUrl url;
    QByteArray body;
    Headers headers;
};

struct Response {
    int status = 0;  // 0: no answer at all (error says why)
    QByteArray body; // the body
    Headers headers;
    QUrl url;      // the last URL asked, after redirects
    QString error; // empty when the server answered (whatever its status)

    bool ok() const { return error.isEmpty() && status >= 200 && status < 300; }
    QByteArray header(const QByteArray& name) const;
};

// Who speaks to the server.
struct Identity {
    QUrl origin; // credentials go to this origin (scheme, host, port) only
    QString user;
    QString password;
    QStringList acceptedFingerprints; // SHA-256, as "AB:CD:…"
    // The server asked for credentials before: they go with the first
    // request as Basic (to the origin only, and only where nothing travels
    // in clear: https, or this machine), no round trip lost on a 401. A
    // Digest server answers 401 and gets Digest, as without it.
    bool credentialsFirst = false;
};

class Client {
public:
    explicit Client(Identity identity, int timeoutMs = 30000);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    Response request(const QByteArray& method, const QUrl& url, const QByteArray& body = {},
                     const Headers& headers = {});
    // Several at once, up to `parallel` in flight (QtNetwork opens up to six
    // connections to a server), each with its redirects, its wait and its
    // bound; the answers in the order asked.
    std::vector<Response> requestAll(const std::vector<Request>& requests, int parallel = 0);
    // The most requests in flight when none is said (six; one: as a
    // sequential client would, for the timing programs).
    void setParallel(int parallel) { m_parallel = parallel; }

    // The whole run ends by then: a request past it is not sent, one under
    // way is given up (none by default).
    void setDeadline(QDeadlineTimer deadline) { m_deadline = deadline; }

    // The fingerprint of a certificate refused (for the user to accept).
    QString refusedFingerprint() const { return m_refusedFingerprint; }
    // Whether the server asked for credentials during this run.
    bool credentialsAsked() const { return m_credentialsAsked; }
    // How many requests went to the server (redirects and retries counted).
    int requestCount() const { return m_requestCount; }
    const Identity& identity() const { return m_identity; }

private:
    struct Exchange;
    void launch(Exchange& exchange, const std::function<void()>& answered);
    void conclude(Exchange& exchange);
    bool followed(Exchange& exchange);

    Identity m_identity;
    int m_timeoutMs;
    QDeadlineTimer m_deadline = QDeadlineTimer(QDeadlineTimer::Forever);
    std::unique_ptr<QNetworkAccessManager> m_network;
    QString m_refusedFingerprint;
    int m_requestCount = 0;
    bool m_credentialsAsked = false;
    int m_parallel = 6;
};

// "https://serveur:port": what the credentials are kept to.
QString origin(const QUrl& url);

// The French words for a status or a failure of a request.
QString reason(const Response& response);

} // namespace dav
