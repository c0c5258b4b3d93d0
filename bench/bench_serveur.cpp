// The publish to a calendar server: the bundled calendar plus 500 birthdays
// to a fresh Radicale (time, requests), then the run after it with nothing
// changed (goal: under half a second, no write). Needs python3-radicale.
#include "../tests/radicale.h"
#include "bench/mesure.h"
#include "dav/dav.h"
#include "socle/calendrier_fr.h"
#include "synchro/publication.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir etat;
    qputenv("XDG_STATE_HOME", QFile::encodeName(etat.path()));

    test::Radicale serveur;
    if (!serveur.demarrer()) {
        std::fprintf(stderr, "%s\n", qPrintable(serveur.why()));
        return 1;
    }
    std::vector<socle::Fiche> fiches = socle::calendrierFr();
    const size_t jours = fiches.size();
    for (int i = 0; i < 500; ++i)
        fiches.push_back({"Ami" + std::to_string(i),
                          QDate(2001, 1, 1).addDays(i * 7 % 366).toString("dd/MM").toStdString(),
                          std::to_string(1940 + i % 70), "F"});

    const dav::Identity identite{
        serveur.url(), QStringLiteral("alice"), QStringLiteral("secret"), {}};
    synchro::Compte compte;
    compte.utilisateur = identite.user;
    {
        dav::Client client(identite);
        const dav::Created c =
            dav::makeCalendar(client, serveur.url().resolved(QUrl(QStringLiteral("alice/"))),
                              QStringLiteral("Fêtes"));
        if (!c.error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(c.error));
            return 1;
        }
        compte.agenda = c.url;
    }

    std::printf("%zu entrées (%zu fêtes, 500 anniversaires)\n", fiches.size(), jours);
    const char* titres[] = {"premier envoi", "rien de changé", "une fiche changée"};
    for (int tour = 0; tour < 3; ++tour) {
        if (tour == 2)
            fiches.back().annee = "1939";
        synchro::Connexion connexion(compte, identite.password);
        synchro::Bilan bilan;
        const long long avant = bench::octetsEcrits();
        const double ms =
            bench::millis([&] { bilan = synchro::publier(connexion, compte, fiches); });
        // The state's writes and the requests' bodies: linear in the
        // calendar, not its square.
        std::printf("%-18s %8.0f ms  %5d requêtes  %5d écritures  %7.1f Mo écrits%s\n",
                    titres[tour], ms, connexion.requetes(), bilan.ecritures,
                    double(bench::octetsEcrits() - avant) / 1e6, bilan.reussi ? "" : "  (échec)");
        if (!bilan.reussi)
            std::printf("  %s\n", qPrintable(bilan.texte));
    }
    return 0;
}
