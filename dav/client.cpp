#include "dav/client.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>

namespace dav {

namespace {

constexpr int RedirectionsMax = 5;

QString empreinte(const QSslCertificate& certificat)
{
    const QByteArray octets = certificat.digest(QCryptographicHash::Sha256).toHex().toUpper();
    QStringList paires;
    for (qsizetype i = 0; i < octets.size(); i += 2)
        paires << QString::fromLatin1(octets.mid(i, 2));
    return paires.join(QLatin1Char(':'));
}

QString erreurReseau(QNetworkReply::NetworkError erreur, const QUrl& url)
{
    const QString hote = url.host();
    switch (erreur) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("la connexion au serveur %1 est refusée (le serveur est-il "
                              "arrêté ?)")
            .arg(hote);
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("le serveur %1 est introuvable").arg(hote);
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("le serveur %1 a coupé la connexion").arg(hote);
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("la connexion chiffrée avec %1 a échoué").arg(hote);
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("le réseau n'est pas disponible");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("le proxy ne répond pas");
    default:
        return QStringLiteral("la communication avec le serveur %1 a échoué").arg(hote);
    }
}

} // namespace

QByteArray Reponse::entete(const QByteArray& nom) const
{
    for (const auto& [cle, valeur] : entetes)
        if (cle.compare(nom, Qt::CaseInsensitive) == 0)
            return valeur;
    return {};
}

QString origine(const QUrl& url)
{
    const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    return url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() +
           QLatin1Char(':') + QString::number(port);
}

Client::Client(Identite identite, int attenteMs)
    : m_identite(std::move(identite))
    , m_attenteMs(attenteMs)
    , m_reseau(std::make_unique<QNetworkAccessManager>())
{
    // The credentials, to the account's origin only; asked twice for one
    // request, they are wrong: the 401 is the answer.
    QObject::connect(m_reseau.get(), &QNetworkAccessManager::authenticationRequired, m_reseau.get(),
                     [this](QNetworkReply* reponse, QAuthenticator* auth) {
                         if (origine(reponse->url()) != origine(m_identite.origine) ||
                             reponse->property("tarvelon-authentifie").toBool())
                             return;
                         reponse->setProperty("tarvelon-authentifie", true);
                         auth->setUser(m_identite.utilisateur);
                         auth->setPassword(m_identite.motDePasse);
                     });
}

Client::~Client() = default;

Reponse Client::envoyer(const QByteArray& methode, const QUrl& url, const QByteArray& corps,
                        const Entetes& entetes)
{
    QNetworkRequest demande(url);
    demande.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    demande.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    demande.setRawHeader("Accept-Encoding", "identity");
    demande.setRawHeader("User-Agent", "Tarvelon/2.0");
    for (const auto& [cle, valeur] : entetes)
        demande.setRawHeader(cle, valeur);
    ++m_requetes;
    QNetworkReply* reponse = m_reseau->sendCustomRequest(demande, methode, corps);
    QObject::connect(reponse, &QNetworkReply::sslErrors, reponse,
                     [this, reponse](const QList<QSslError>& erreurs) {
                         const QString vue =
                             empreinte(reponse->sslConfiguration().peerCertificate());
                         if (m_identite.empreintesAcceptees.contains(vue))
                             reponse->ignoreSslErrors(erreurs);
                         else
                             m_empreinteRefusee = vue;
                     });
    QEventLoop attente;
    QTimer delai;
    delai.setSingleShot(true);
    bool silencieux = false;
    QObject::connect(&delai, &QTimer::timeout, reponse, [&] {
        silencieux = true;
        reponse->abort();
    });
    QObject::connect(reponse, &QNetworkReply::finished, &attente, &QEventLoop::quit);
    delai.start(m_attenteMs);
    if (!reponse->isFinished())
        attente.exec(QEventLoop::ExcludeUserInputEvents);

    Reponse r;
    r.url = url;
    r.statut = reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.corps = reponse->readAll();
    for (const auto& [cle, valeur] : reponse->rawHeaderPairs())
        r.entetes.append({cle, valeur});
    if (silencieux)
        r.erreur = QStringLiteral("le serveur %1 ne répond pas").arg(url.host());
    else if (r.statut == 0 && !m_empreinteRefusee.isEmpty())
        r.erreur = QStringLiteral("le certificat du serveur %1 n'est pas reconnu (empreinte "
                                  "SHA-256 %2) ; acceptez-le s'il est bien celui de votre "
                                  "serveur")
                       .arg(url.host(), m_empreinteRefusee);
    else if (r.statut == 0)
        r.erreur = erreurReseau(reponse->error(), url);
    reponse->deleteLater();
    return r;
}

Reponse Client::requete(const QByteArray& methode, const QUrl& url, const QByteArray& corps,
                        const Entetes& entetes)
{
    QUrl cible = url;
    for (int redirection = 0;; ++redirection) {
        Reponse r = envoyer(methode, cible, corps, entetes);
        const bool redirigee = r.statut == 301 || r.statut == 302 || r.statut == 303 ||
                               r.statut == 307 || r.statut == 308;
        if (!redirigee || r.entete("Location").isEmpty())
            return r;
        if (redirection == RedirectionsMax) {
            r.erreur = QStringLiteral("le serveur renvoie de page en page sans fin");
            return r;
        }
        const QUrl suivante = cible.resolved(QUrl::fromEncoded(r.entete("Location")));
        if (cible.scheme() == QLatin1String("https") &&
            suivante.scheme() != QLatin1String("https")) {
            r.erreur = QStringLiteral("le serveur renvoie vers une adresse non chiffrée (%1) : "
                                      "Tarvelon ne la suit pas")
                           .arg(suivante.toString());
            return r;
        }
        cible = suivante;
    }
}

QString raison(const Reponse& reponse)
{
    if (!reponse.erreur.isEmpty())
        return reponse.erreur;
    switch (reponse.statut) {
    case 401:
        return QStringLiteral("le serveur refuse le nom d'utilisateur ou le mot de passe");
    case 403:
        return QStringLiteral("le serveur refuse l'accès (droits insuffisants)");
    case 404:
        return QStringLiteral("le serveur ne connaît pas cette adresse (%1)")
            .arg(reponse.url.toString());
    case 405:
        return QStringLiteral("le serveur ne permet pas cette opération");
    case 409:
        return QStringLiteral("le serveur refuse : conflit");
    case 412:
        return QStringLiteral("l'élément a changé sur le serveur entre-temps");
    case 507:
        return QStringLiteral("le serveur n'a plus de place");
    default:
        if (reponse.statut >= 500)
            return QStringLiteral("le serveur est en panne (erreur %1)").arg(reponse.statut);
        return QStringLiteral("le serveur répond par une erreur (%1)").arg(reponse.statut);
    }
}

} // namespace dav
