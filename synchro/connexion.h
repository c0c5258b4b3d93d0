#pragma once

#include "synchro/compte.h"

#include <QString>
#include <memory>

namespace dav {
class Client;
}

// The account's server, spoken to with the password: one connection kept for
// a whole run (its keep-alive and its Digest nonce shared by every request).
// The wire stays inside synchro; callers only hold it.
namespace synchro {

class Connexion {
public:
    Connexion(const Compte& compte, const QString& motDePasse);
    ~Connexion();
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    // Requests sent so far (for the timing programs).
    int requetes() const;

    dav::Client& client() { return *m_client; }

private:
    std::unique_ptr<dav::Client> m_client;
};

} // namespace synchro
