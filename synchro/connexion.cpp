#include "synchro/connexion.h"

#include "dav/client.h"

namespace synchro {

Connexion::Connexion(const Compte& compte, const QString& motDePasse)
    : m_client(std::make_unique<dav::Client>(
          dav::Identity{compte.origine(), compte.utilisateur, motDePasse, compte.empreintes}))
{
}

Connexion::~Connexion() = default;

int Connexion::requetes() const
{
    return m_client->requestCount();
}

} // namespace synchro
