#include "synchro/connexion.h"

#include "dav/client.h"
#include "echange/echange.h"

namespace synchro {

Connexion::Connexion(const Compte& compte, const QString& motDePasse,
                     std::chrono::milliseconds duree)
    : m_client(std::make_unique<dav::Client>(
          dav::Identity{compte.origine(), compte.utilisateur, motDePasse, compte.empreintes}))
{
    m_client->setDeadline(QDeadlineTimer(duree));
}

Connexion::~Connexion() = default;

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
