#pragma once

#include "rappel/rappel.h"

#include <optional>
#include <string>

// The command line of tarvelon-rappel and where its files are.
namespace rappel {

struct Options {
    bool aide = false;
    bool version = false;
    bool notification = false;
    bool forcer = false;
    std::optional<int> jours; // 0 to 366
    std::optional<Jour> date;
};

// None on a bad option or value; erreur then says why, in French.
std::optional<Options> lireOptions(int argc, const char* const* argv, std::string& erreur);

// "--help".
std::string aide();

// A number of days ahead, 0 to 366, written in digits.
std::optional<int> lireJours(const std::string& texte);
// A day "JJ/MM/AAAA" that exists.
std::optional<Jour> lireDate(const std::string& texte);

// Today, by the system clock and time zone.
Jour aujourdhui();

// The installation directory of the window ($XDG_DATA_HOME/tarvelon/, by
// default ~/.local/share/tarvelon/) and the reminder's state directory
// ($XDG_STATE_HOME/tarvelon/, by default ~/.local/state/tarvelon/), with
// their final "/".
std::string dossierDonnees();
std::string dossierEtat();

} // namespace rappel
