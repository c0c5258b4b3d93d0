#pragma once

#include "synchro/compte.h"

#include <QString>
#include <optional>

// The account's password: never in a file, never in a plain-text fallback.
namespace synchro {

struct MotDePasse {
    std::optional<QString> valeur;
    QString erreur;
    bool sansTrousseau = false; // the desktop has no keyring: ask, or name a command
};

// From the command the user named (its first line, as mail and sync tools
// do: "pass show …"), else from the desktop's keyring (QtKeychain).
MotDePasse lireMotDePasse(const Compte& compte);
// The command is given up after attenteMs, with whatever it started; a
// first line over LongueurMaxMotDePasse characters is no password.
inline constexpr int LongueurMaxMotDePasse = 4096;
MotDePasse motDePasseDeCommande(const QString& commande, int attenteMs = 30000);

// Keeps it in the desktop's keyring; false with the reason when there is
// none (the password is then asked once per session).
bool garderMotDePasse(const Compte& compte, const QString& motDePasse, QString* erreur);

} // namespace synchro
