#include "synchro/connexion.h"

#include "dav/client.h"
#include "echange/echange.h"
#include "synchro/etat.h"

#include <QJsonObject>

namespace synchro {

namespace {

QString fichierServeur()
{
    return dossierEtat() + QStringLiteral("serveur.json");
}

// The origin whose server asked for credentials, as last noted.
QString origineIdentifiee()
{
    return lireFichierEtat(fichierServeur()).value(QStringLiteral("identification")).toString();
}

} // namespace

Connexion::Connexion(const Compte& compte, const QString& motDePasse,
                     std::chrono::milliseconds duree)
    : m_client(std::make_unique<dav::Client>(
          dav::Identity{compte.origine(), compte.utilisateur, motDePasse, compte.empreintes,
                        origineIdentifiee() == dav::origin(compte.origine())}))
{
    m_client->setDeadline(QDeadlineTimer(duree));
}

Connexion::~Connexion()
{
    const QString origine = dav::origin(m_client->identity().origin);
    if (m_client->credentialsAsked() && origineIdentifiee() != origine)
        ecrireFichierEtat(fichierServeur(),
                          QJsonObject{{QStringLiteral("identification"), origine}});
}

void Connexion::limiter(int paralleles)
{
    m_client->setParallel(paralleles);
}

int Connexion::requetes() const
{
    return m_client->requestCount();
}

QString horsDeLaCollection(int n, const QString& ou)
{
    if (n == 0)
        return {};
    return QStringLiteral(" Le serveur a nommé %1 hors %2 : Tarvelon %3.")
        .arg(echange::compte(n, QStringLiteral("adresse"), QStringLiteral("adresses"), true), ou,
             n > 1 ? QStringLiteral("les a ignorées") : QStringLiteral("l'a ignorée"));
}

} // namespace synchro
