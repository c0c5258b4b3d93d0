#include "rappel/options.h"

#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace rappel {

namespace {

using namespace std::chrono;

// A freedesktop base directory: the variable when it holds an
// absolute path, else the default under the home directory.
std::string dossierXdg(const char* variable, const char* sousHome)
{
    const char* valeur = std::getenv(variable);
    std::string base;
    if (valeur && valeur[0] == '/') {
        base = valeur;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* utilisateur = ::getpwuid(::getuid());
            home = utilisateur ? utilisateur->pw_dir : "/";
        }
        base = std::string(home) + "/" + sousHome;
    }
    if (base.back() != '/')
        base += '/';
    return base + "tarvelon/";
}

} // namespace

std::optional<int> lireJours(const std::string& texte)
{
    const auto n = nombre(texte, 3);
    if (!n || *n > 366)
        return std::nullopt;
    return n;
}

std::optional<Jour> lireDate(const std::string& texte)
{
    if (texte.size() != 10 || texte[2] != '/' || texte[5] != '/')
        return std::nullopt;
    const auto j = nombre(texte.substr(0, 2), 2);
    const auto m = nombre(texte.substr(3, 2), 2);
    const auto a = nombre(texte.substr(6, 4), 4);
    if (!j || !m || !a || *a < 1)
        return std::nullopt;
    const Jour date{year(*a), month(unsigned(*m)), day(unsigned(*j))};
    if (!date.ok())
        return std::nullopt;
    return date;
}

std::optional<Options> lireOptions(int argc, const char* const* argv, std::string& erreur)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::optional<std::string> valeur;
        if (const size_t egal = option.find('=');
            option.rfind("--", 0) == 0 && egal != option.npos) {
            valeur = option.substr(egal + 1);
            option.resize(egal);
        }
        const bool attendValeur = option == "--jours" || option == "--date";
        if (attendValeur && !valeur) {
            if (i + 1 >= argc) {
                erreur = "l'option « " + option + " » attend une valeur";
                return std::nullopt;
            }
            valeur = argv[++i];
        } else if (!attendValeur && valeur) {
            erreur = "l'option « " + option + " » ne prend pas de valeur";
            return std::nullopt;
        }

        if (option == "--help" || option == "-h") {
            options.aide = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (option == "--notification") {
            options.notification = true;
        } else if (option == "--forcer") {
            options.forcer = true;
        } else if (option == "--jours") {
            options.jours = lireJours(*valeur);
            if (!options.jours) {
                erreur = "--jours attend un nombre de jours de 0 à 366, pas « " + *valeur + " »";
                return std::nullopt;
            }
        } else if (option == "--date") {
            options.date = lireDate(*valeur);
            if (!options.date) {
                erreur =
                    "--date attend un jour qui existe, écrit JJ/MM/AAAA, pas « " + *valeur + " »";
                return std::nullopt;
            }
        } else {
            erreur = (option.rfind('-', 0) == 0 ? "option inconnue « " : "argument inattendu « ") +
                     option + " »";
            return std::nullopt;
        }
    }
    if (options.forcer && !options.notification) {
        erreur = "--forcer ne s'emploie qu'avec --notification";
        return std::nullopt;
    }
    return options;
}

std::string aide()
{
    return "Usage : tarvelon-rappel [OPTION]...\n"
           "Dit les fêtes, les anniversaires et l'événement du jour du calendrier de Tarvelon.\n"
           "\n"
           "  --jours N          ajoute les N jours suivants (0 à 366) qui ont quelque chose\n"
           "  --date JJ/MM/AAAA  prend ce jour pour aujourd'hui\n"
           "  --notification     envoie le rappel du jour en notification de bureau,\n"
           "                     une fois par jour ; un clic ouvre Tarvelon\n"
           "  --forcer           avec --notification : rappelle même si c'est déjà fait\n"
           "  --help             affiche cette aide\n"
           "  --version          affiche la version\n"
           "\n"
           "Fichiers : ~/.local/share/tarvelon/tarvelon.db (le calendrier, lu seulement) et\n"
           "tarvelon.inf (section Evenements ; section Rappel, clé Jours pour la notification).\n"
           "Code de sortie : 0 réussi, 1 calendrier illisible ou notification impossible,\n"
           "2 option ou valeur incorrecte.\n";
}

Jour aujourdhui()
{
    const std::time_t maintenant = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&maintenant, &local);
    return Jour{year(local.tm_year + 1900), month(unsigned(local.tm_mon + 1)),
                day(unsigned(local.tm_mday))};
}

std::string dossierDonnees()
{
    return dossierXdg("XDG_DATA_HOME", ".local/share");
}

std::string dossierEtat()
{
    return dossierXdg("XDG_STATE_HOME", ".local/state");
}

} // namespace rappel
