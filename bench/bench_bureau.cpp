// The desktop's calendar and search at 1,000 and 100,000 entries: the
// calendar file's rewrite (a change, and nothing changed), the search
// service's reading of it, and one search answer (a name's beginning, a
// day), the median of a few runs. The goal: an answer within 50 ms at
// 100,000 entries.
#include "bureau/agenda.h"
#include "bureau/recherche.h"
#include "mesure.h"

#include <QDate>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

using bench::median;

namespace {

std::vector<socle::Fiche> entrees(int n)
{
    static const char* prenoms[] = {"Georges", "Hélène", "Jean-Pierre", "Zoé",   "Adalbert",
                                    "Marie",   "Kévin",  "Océane",      "Bruno", "Léa"};
    std::vector<socle::Fiche> fiches;
    for (int i = 0; i < n; ++i) {
        const std::string jour =
            QDate(2000, 1, 1).addDays(i % 366).toString(QStringLiteral("dd/MM")).toStdString();
        if (i % 10 == 0)
            fiches.push_back(
                {std::string(prenoms[i / 10 % 10]) + std::to_string(i), jour, "0000", "M"});
        else
            fiches.push_back({std::string(prenoms[i % 10]) + " Nom" + std::to_string(i), jour,
                              std::to_string(1940 + i % 80), " "});
    }
    return fiches;
}

} // namespace

int main()
{
    QTemporaryDir dossier;
    for (const int n : {1000, 100000}) {
        std::vector<socle::Fiche> fiches = entrees(n);
        const QString fichier = dossier.filePath(QStringLiteral("tarvelon%1.ics").arg(n));
        std::vector<double> ecriture, inchange, lecture, nom, jour, rien;
        bureau::Index index;
        for (int r = 0; r < 3; ++r) {
            fiches.front().annee = std::to_string(1950 + r); // a change each time
            ecriture.push_back(bench::millis([&] { bureau::ecrireAgenda(fiches, fichier); }));
            inchange.push_back(bench::millis([&] { bureau::ecrireAgenda(fiches, fichier); }));
            lecture.push_back(bench::millis([&] { index = bureau::lireIndex(fichier); }));
            size_t trouves = 0;
            nom.push_back(bench::millis(
                [&] { trouves = index.chercher({QStringLiteral("helen")}, 2026).size(); }));
            jour.push_back(bench::millis(
                [&] { trouves += index.chercher({QStringLiteral("23/04")}, 2026).size(); }));
            rien.push_back(bench::millis(
                [&] { trouves += index.chercher({QStringLiteral("zzz")}, 2026).size(); }));
            if (trouves == 0)
                std::printf("rien trouvé ?\n");
        }
        std::printf(
            "%6d entrées : fichier réécrit %.0f ms (inchangé : %.0f ms), lu par le "
            "service %.0f ms ; réponse « helen » %.2f ms, « 23/04 » %.2f ms, « zzz » (rien) "
            "%.2f ms\n",
            n, median(ecriture), median(inchange), median(lecture), median(nom), median(jour),
            median(rien));
    }
    return 0;
}
