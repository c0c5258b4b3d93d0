#include "synchro/connexion.h"

#include "dav/client.h"

namespace synchro {

Connexion::Connexion(const Compte& compte, const QString& motDePasse)
    : m_client(std::make_unique<dav::Client>(
          dav::Identite{compte.origine(), compte.utilisateur, motDePasse, compte.empreintes}))
{
}

Connexion::~Connexion() = default;

int Connexion::requetes() const
{
    return m_client->requetes();
}

QString Connexion::empreinteRefusee() const
{
    return m_client->empreinteRefusee();
}

} // namespace synchro
