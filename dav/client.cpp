#include "dav/client.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <functional>

namespace dav {

namespace {

constexpr int RedirectionsMax = 5;

QString fingerprint(const QSslCertificate& certificate)
{
    const QByteArray bytes = certificate.digest(QCryptographicHash::Sha256).toHex().toUpper();
    QStringList pairs;
    for (qsizetype i = 0; i < bytes.size(); i += 2)
        pairs << QString::fromLatin1(bytes.mid(i, 2));
    return pairs.join(QLatin1Char(':'));
}

QString networkError(QNetworkReply::NetworkError error, const QUrl& url)
{
    const QString host = url.host();
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("la connexion au serveur %1 est refusée (le serveur est-il "
                              "arrêté ?)")
            .arg(host);
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("le serveur %1 est introuvable").arg(host);
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("le serveur %1 a coupé la connexion").arg(host);
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("la connexion chiffrée avec %1 a échoué").arg(host);
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("le réseau n'est pas disponible");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("le proxy ne répond pas");
    default:
        return QStringLiteral("la communication avec le serveur %1 a échoué").arg(host);
    }
}

// Whether what is sent to that address could be read on the way: plain
// http to another machine.
bool inClear(const QUrl& url)
{
    if (url.scheme() == QLatin1String("https"))
        return false;
    const QHostAddress host(url.host());
    return !(url.host() == QLatin1String("localhost") || (!host.isNull() && host.isLoopback()));
}

QString tooLong()
{
    return QStringLiteral("la synchronisation dure trop longtemps (le serveur répond trop "
                          "lentement) : elle s'arrête là et reprendra à la prochaine");
}

} // namespace

QByteArray Response::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QString origin(const QUrl& url)
{
    const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    return url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() +
           QLatin1Char(':') + QString::number(port);
}

Client::Client(Identity identity, int timeoutMs)
    : m_identity(std::move(identity))
    , m_timeoutMs(timeoutMs)
    , m_network(std::make_unique<QNetworkAccessManager>())
{
    // The credentials, to the account's origin only; asked twice for one
    // request, they are wrong: the 401 is the answer.
    QObject::connect(m_network.get(), &QNetworkAccessManager::authenticationRequired,
                     m_network.get(), [this](QNetworkReply* response, QAuthenticator* auth) {
                         if (origin(response->url()) != origin(m_identity.origin) ||
                             response->property("tarvelon-authentifie").toBool())
                             return;
                         response->setProperty("tarvelon-authentifie", true);
                         m_credentialsAsked = true;
                         auth->setUser(m_identity.user);
                         auth->setPassword(m_identity.password);
                     });
}

Client::~Client() = default;

// One exchange in flight: its request, the hop it is at, its answer so far.
struct Client::Exchange {
    Request asked;
    QUrl target;
    int redirection = 0;
    QNetworkReply* reply = nullptr;
    Response r;
    bool tooBig = false;
    bool quiet = false;
    bool runEnds = false;
    std::unique_ptr<QTimer> delay;
};

void Client::launch(Exchange& x, const std::function<void()>& answered)
{
    x.r = Response{};
    x.r.url = x.target;
    x.tooBig = x.quiet = false;
    if (m_deadline.hasExpired()) {
        x.r.error = tooLong();
        x.reply = nullptr;
        return;
    }
    QNetworkRequest asked(x.target);
    asked.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
    asked.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    asked.setRawHeader("Accept-Encoding", "identity");
    asked.setRawHeader("User-Agent", "Tarvelon/2.0");
    for (const auto& [key, value] : x.asked.headers)
        asked.setRawHeader(key, value);
    if ((m_identity.credentialsFirst || m_credentialsAsked) &&
        origin(x.target) == origin(m_identity.origin) && !inClear(x.target))
        asked.setRawHeader(
            "Authorization",
            "Basic " +
                (m_identity.user + QLatin1Char(':') + m_identity.password).toUtf8().toBase64());
    ++m_requestCount;
    QNetworkReply* response = m_network->sendCustomRequest(asked, x.asked.method, x.asked.body);
    x.reply = response;
    QObject::connect(response, &QNetworkReply::sslErrors, response,
                     [this, response](const QList<QSslError>& errors) {
                         const QString seen =
                             fingerprint(response->sslConfiguration().peerCertificate());
                         if (m_identity.acceptedFingerprints.contains(seen))
                             response->ignoreSslErrors(errors);
                         else
                             m_refusedFingerprint = seen;
                     });
    // An answer past the bound is given up as soon as it gets there.
    // The body is taken as it comes, and the network thread reads no more
    // than a mebibyte ahead of it: what an answer holds in memory is the
    // bound, however fast the server sends.
    response->setReadBufferSize(1 << 20);
    const auto take = [&x, response] {
        if (x.tooBig || !response->isOpen())
            return;
        x.r.body += response->readAll();
        if (x.r.body.size() > MaxBodyBytes ||
            response->header(QNetworkRequest::ContentLengthHeader).toLongLong() > MaxBodyBytes) {
            x.tooBig = true;
            x.r.body.clear();
            response->abort();
        }
    };
    // Said again once the answer has begun: the network thread only hears
    // of the bound after its request has started.
    QObject::connect(response, &QNetworkReply::metaDataChanged, response, [take, response] {
        response->setReadBufferSize(1 << 20);
        take();
    });
    QObject::connect(response, &QNetworkReply::readyRead, response, take);
    x.delay = std::make_unique<QTimer>();
    x.delay->setSingleShot(true);
    QObject::connect(x.delay.get(), &QTimer::timeout, response, [&x, response] {
        x.quiet = true;
        response->abort();
    });
    QObject::connect(response, &QNetworkReply::finished, response, [take, answered] {
        take();
        answered();
    });
    x.runEnds = m_deadline.remainingTime() >= 0 && m_deadline.remainingTime() < m_timeoutMs;
    x.delay->start(x.runEnds ? std::chrono::milliseconds(m_deadline.remainingTime())
                             : std::chrono::milliseconds(m_timeoutMs));
}

void Client::conclude(Exchange& x)
{
    QNetworkReply* response = x.reply;
    x.delay.reset();
    if (!response)
        return; // never sent: its error is said already
    Response& r = x.r;
    r.status = response->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    for (const auto& [key, value] : response->rawHeaderPairs())
        r.headers.append({key, value});
    const QString host = x.target.host();
    if (x.tooBig)
        r.error = QStringLiteral("la réponse du serveur %1 dépasse %2 Mio : Tarvelon ne la lit pas")
                      .arg(host)
                      .arg(MaxBodyBytes >> 20);
    else if (x.quiet && x.runEnds)
        r.error = tooLong();
    else if (x.quiet)
        r.error = QStringLiteral("le serveur %1 ne répond pas").arg(host);
    else if (r.status == 0 && !m_refusedFingerprint.isEmpty())
        r.error = QStringLiteral("le certificat du serveur %1 n'est pas reconnu (empreinte "
                                 "SHA-256 %2) ; acceptez-le s'il est bien celui de votre "
                                 "serveur")
                      .arg(host, m_refusedFingerprint);
    else if (r.status == 0)
        r.error = networkError(response->error(), x.target);
    response->deleteLater();
    x.reply = nullptr;
}

bool Client::followed(Exchange& x)
{
    Response& r = x.r;
    const bool redirected =
        r.status == 301 || r.status == 302 || r.status == 303 || r.status == 307 || r.status == 308;
    if (!redirected || r.header("Location").isEmpty()) {
        // Sent elsewhere, where the password is not given: not the
        // password's fault.
        if (r.status == 401 && r.error.isEmpty() && origin(x.target) != origin(m_identity.origin))
            r.error = QStringLiteral("le serveur renvoie vers une autre adresse (%1) qui "
                                     "demande un mot de passe : Tarvelon n'y envoie pas le "
                                     "vôtre")
                          .arg(x.target.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).toString());
        return false;
    }
    if (x.redirection == RedirectionsMax) {
        r.error = QStringLiteral("le serveur renvoie de page en page sans fin");
        return false;
    }
    const QUrl next = x.target.resolved(QUrl::fromEncoded(r.header("Location")));
    if (x.target.scheme() == QLatin1String("https") && next.scheme() != QLatin1String("https")) {
        r.error = QStringLiteral("le serveur renvoie vers une adresse non chiffrée (%1) : "
                                 "Tarvelon ne la suit pas")
                      .arg(next.toString());
        return false;
    }
    x.target = next;
    ++x.redirection;
    return true;
}

std::vector<Response> Client::requestAll(const std::vector<Request>& requests, int parallel)
{
    std::vector<std::unique_ptr<Exchange>> exchanges;
    exchanges.reserve(requests.size());
    for (const Request& q : requests) {
        exchanges.push_back(std::make_unique<Exchange>());
        exchanges.back()->asked = q;
        exchanges.back()->target = q.url;
    }
    QEventLoop loop;
    size_t next = 0, left = exchanges.size();
    int inFlight = 0;
    const int most = std::max(1, parallel > 0 ? parallel : m_parallel);
    std::function<void()> startNext;
    // An answer in: the exchange goes on to its next hop, or is done and
    // leaves its place to the next request.
    std::function<void(Exchange&)> answered = [&](Exchange& x) {
        conclude(x);
        if (followed(x)) {
            launch(x, [&, px = &x] { answered(*px); });
            if (x.reply)
                return;
        }
        --left;
        --inFlight;
        startNext();
        if (left == 0)
            loop.quit();
    };
    startNext = [&] {
        while (next < exchanges.size() && inFlight < most) {
            Exchange& x = *exchanges[next++];
            launch(x, [&answered, px = &x] { answered(*px); });
            if (x.reply)
                ++inFlight;
            else
                --left; // never sent (the run's deadline)
        }
    };
    startNext();
    if (left > 0)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    std::vector<Response> responses;
    responses.reserve(exchanges.size());
    for (auto& x : exchanges)
        responses.push_back(std::move(x->r));
    return responses;
}

Response Client::request(const QByteArray& method, const QUrl& url, const QByteArray& body,
                         const Headers& headers)
{
    return requestAll({{method, url, body, headers}}).front();
}

QString reason(const Response& response)
{
    if (!response.error.isEmpty())
        return response.error;
    switch (response.status) {
    case 401:
        return QStringLiteral("le serveur refuse le nom d'utilisateur ou le mot de passe");
    case 403:
        return QStringLiteral("le serveur refuse l'accès (droits insuffisants)");
    case 404:
        return QStringLiteral("le serveur ne connaît pas cette adresse (%1)")
            .arg(response.url.toString());
    case 405:
        return QStringLiteral("le serveur ne permet pas cette opération");
    case 409:
        return QStringLiteral("le serveur refuse : conflit");
    case 412:
        return QStringLiteral("l'élément a changé sur le serveur entre-temps");
    case 507:
        return QStringLiteral("le serveur n'a plus de place");
    default:
        if (response.status >= 500)
            return QStringLiteral("le serveur est en panne (erreur %1)").arg(response.status);
        return QStringLiteral("le serveur répond par une erreur (%1)").arg(response.status);
    }
}

} // namespace dav
