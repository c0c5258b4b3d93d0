#pragma once

#include "synchro/compte.h"

#include <QString>
#include <chrono>
#include <memory>

namespace dav {
class Client;
}

// The account's server, spoken to with the password: one connection kept for
// a whole run (its keep-alive and its Digest nonce shared by every request).
// A server that asked for credentials once gets them with the first request
// of the next runs (noted in the state's serveur.json; see dav::Identity).
// The wire stays inside synchro; callers only hold it.
namespace synchro {

// A run ends by then whatever the server does (a first publish of 10,000
// events at a second each would take three hours): what is done is recorded,
// the rest waits for the next run.
inline constexpr std::chrono::minutes DureeMaximale{20};

class Connexion {
public:
    Connexion(const Compte& compte, const QString& motDePasse,
              std::chrono::milliseconds duree = DureeMaximale);
    ~Connexion();
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    // Requests sent so far (for the timing programs).
    int requetes() const;
    // The most requests in flight (six by default; one for the timing
    // programs' comparison).
    void limiter(int paralleles);

    dav::Client& client() { return *m_client; }

private:
    std::unique_ptr<dav::Client> m_client;
};

// " Le serveur a nommé 3 adresses hors de l'agenda : Tarvelon les a
// ignorées." (nothing when there are none): what a listing named outside the
// collection, never touched.
QString horsDeLaCollection(int n, const QString& ou);

} // namespace synchro
