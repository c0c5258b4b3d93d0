// tarvelon-rappel: today's names and birthdays in the terminal, or, with
// --notification, on the desktop. It links no toolkit so that it answers as
// fast as a C program; the notification, which needs D-Bus, is the work of a
// companion program it hands over to.
#include "rappel/options.h"
#include "rappel/texte.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

int erreurUsage(const std::string& erreur)
{
    std::fprintf(stderr,
                 "tarvelon-rappel : %s\nEssayez « tarvelon-rappel --help » pour en savoir plus.\n",
                 erreur.c_str());
    return 2;
}

// The companion beside this program (the build tree), or where it is
// installed, relative to the program's own directory.
int passerALaNotification(char** argv)
{
    char chemin[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    std::string dossier = n > 0 ? std::string(chemin, size_t(n)) : std::string(argv[0]);
    dossier.resize(dossier.rfind('/') + 1);
    for (const std::string& compagnon :
         {dossier + "tarvelon-rappel-notification", dossier + TARVELON_COMPAGNON}) {
        if (::access(compagnon.c_str(), X_OK) == 0) {
            ::execv(compagnon.c_str(), argv);
            break;
        }
    }
    std::fprintf(stderr,
                 "tarvelon-rappel : le programme des notifications "
                 "(tarvelon-rappel-notification) est introuvable : %s\n",
                 std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string erreur;
    const auto options = rappel::lireOptions(argc, argv, erreur);
    if (!options)
        return erreurUsage(erreur);
    if (options->aide) {
        std::fputs(rappel::aide().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::puts("tarvelon-rappel (Tarvelon) " TARVELON_VERSION);
        return 0;
    }
    if (options->notification)
        return passerALaNotification(argv);

    const std::string dossier = rappel::dossierDonnees();
    const rappel::Jour jour = options->date.value_or(rappel::aujourdhui());
    const int jours = options->jours.value_or(0);
    const rappel::Calendrier calendrier =
        rappel::lireCalendrier(dossier + "tarvelon.db", rappel::clesDesJours(jour, jours));
    if (!calendrier.lu) {
        std::fprintf(stderr, "tarvelon-rappel : %s\n", calendrier.erreur.c_str());
        return 1;
    }
    // The settings file is read once for all the days told.
    const socle::Parametres parametres = socle::Parametres::lire(dossier + "tarvelon.inf");
    const std::chrono::sys_days premier(jour);

    std::string sortie;
    for (int dans = 0; dans <= jours; ++dans) {
        const rappel::JourRappel jour = rappel::rappelDu(
            calendrier.fiches, parametres, rappel::Jour(premier + std::chrono::days(dans)), dans,
            calendrier.proches);
        if (dans > 0 && jour.elements.empty())
            continue;
        if (dans > 0)
            sortie += '\n';
        sortie += rappel::titre(jour);
        sortie += '\n';
        for (const std::string& ligne : rappel::lignes(jour))
            sortie += ligne + "\n";
    }
    if (std::fwrite(sortie.data(), 1, sortie.size(), stdout) != sortie.size() ||
        std::fflush(stdout) != 0)
        return 1;
    return 0;
}
