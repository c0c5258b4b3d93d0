#include "commande/commande.h"

#include "commande/synchronisation.h"

#include "ancien/ancien.h"
#include "echange/echange.h"
#include "socle/texte.h"
#include "store/calendrier.h"

#include <QDir>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>

namespace commande {

using echange::Rapport;

namespace {

const QStringList Options = {QStringLiteral("--importer"), QStringLiteral("--exporter"),
                             QStringLiteral("--fetes"),    QStringLiteral("--anniversaires"),
                             QStringLiteral("--help"),     QStringLiteral("--version")};

// What reaches the terminal: a file's names and dates are its data, and its
// control characters (a title or screen escape sequence) are blanked.
void ecrire(std::FILE* flux, const QString& texte)
{
    for (const QString& ligne : texte.split(QLatin1Char('\n'))) {
        std::fputs(socle::texteSur(ligne.toStdString()).c_str(), flux);
        std::fputc('\n', flux);
    }
}

int usage(const QString& erreur)
{
    ecrire(stderr, QStringLiteral("tarvelon : ") + erreur +
                       QStringLiteral("\nEssayez « tarvelon --help » pour en savoir plus."));
    return 2;
}

QString aide()
{
    return QStringLiteral(
        "Usage : tarvelon\n"
        "        tarvelon --importer FICHIER|DOSSIER\n"
        "        tarvelon --exporter FICHIER [--fetes|--anniversaires]\n"
        "        tarvelon --compte ADRESSE UTILISATEUR [--agenda NOM] [--carnet NOM]...\n"
        "                 [--publier-carnets] [--mot-de-passe-commande COMMANDE]\n"
        "                 [--rappel aucun|veille|jour] [--certificat EMPREINTE]\n"
        "        tarvelon --synchroniser\n"
        "Calendrier des fêtes et anniversaires à souhaiter. Sans option, ouvre la fenêtre.\n"
        "\n"
        "  --importer FICHIER  ajoute au calendrier les anniversaires d'un fichier de contacts\n"
        "                      (.vcf) ou les entrées d'un tableur (.csv) ou d'une base Access\n"
        "                      de l'ancien Tarvelon (.mdb, .accdb) ; ce qui y est déjà n'est\n"
        "                      pas ajouté deux fois\n"
        "  --importer DOSSIER  reprend l'ancienne installation (c:\\tarvelon) : sa base\n"
        "                      tarvelon.mdb, ses réglages tarvelon.inf si vous n'en avez pas\n"
        "                      encore, et les sons qu'ils nomment ; rien de ce que vous avez\n"
        "                      n'est remplacé\n"
        "  --exporter FICHIER  écrit un agenda (.ics), des contacts (.vcf, les anniversaires)\n"
        "                      ou un tableur (.csv, tout le calendrier)\n"
        "  --fetes             avec --exporter : les fêtes seulement\n"
        "  --anniversaires     avec --exporter : les anniversaires seulement\n"
        "  --compte ADRESSE UTILISATEUR\n"
        "                      le compte du serveur d'agendas (Nextcloud, Radicale...) : son\n"
        "                      adresse (ou votre adresse électronique) et votre nom ; le mot\n"
        "                      de passe est demandé puis gardé dans le trousseau du bureau\n"
        "  --agenda NOM        l'agenda où publier (créé s'il n'existe pas ; par défaut\n"
        "                      « Fêtes et anniversaires »)\n"
        "  --carnet NOM        un carnet d'adresses du compte dont les anniversaires sont\n"
        "                      suivis (une fois par carnet ; aucun contact n'y est écrit)\n"
        "  --publier-carnets   publie aussi dans l'agenda les anniversaires des carnets\n"
        "  --mot-de-passe-commande COMMANDE\n"
        "                      une commande qui écrit le mot de passe (pass show ...)\n"
        "  --rappel QUAND      un rappel par événement : aucun, veille (18 h), jour (9 h)\n"
        "  --certificat EMPREINTE\n"
        "                      accepte le certificat d'un serveur (empreinte SHA-256)\n"
        "  --synchroniser      publie le calendrier sur le serveur et suit les carnets\n"
        "  --help              affiche cette aide\n"
        "  --version           affiche la version\n"
        "\n"
        "Calendrier : ~/.local/share/tarvelon/tarvelon.db.\n"
        "Code de sortie : 0 réussi, 1 fichier illisible ou impossible à écrire, serveur ou\n"
        "réseau qui refuse (rien n'est changé), 2 option incorrecte.");
}

} // namespace

std::optional<int> executer(const QStringList& arguments)
{
    if (estSynchronisation(arguments))
        return executerSynchronisation(arguments);
    const bool notre = std::any_of(arguments.begin(), arguments.end(), [](const QString& a) {
        return Options.contains(a.section(QLatin1Char('='), 0, 0));
    });
    if (!notre)
        return std::nullopt;

    QString importer, exporter;
    std::optional<socle::Selection> selection;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments[i];
        std::optional<QString> valeur;
        if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
            valeur = option.section(QLatin1Char('='), 1);
            option = option.section(QLatin1Char('='), 0, 0);
        }
        if (option == QLatin1String("--help")) {
            ecrire(stdout, aide());
            return 0;
        }
        if (option == QLatin1String("--version")) {
            ecrire(stdout, QStringLiteral("tarvelon " TARVELON_VERSION));
            return 0;
        }
        if (option == QLatin1String("--importer") || option == QLatin1String("--exporter")) {
            if (!valeur) {
                if (i + 1 >= arguments.size())
                    return usage(QStringLiteral("l'option « %1 » attend un fichier").arg(option));
                valeur = arguments[++i];
            }
            if (!importer.isEmpty() || !exporter.isEmpty())
                return usage(QStringLiteral("un seul fichier à importer ou à exporter à la fois"));
            (option == QLatin1String("--importer") ? importer : exporter) = *valeur;
        } else if (option == QLatin1String("--fetes") ||
                   option == QLatin1String("--anniversaires")) {
            if (selection)
                return usage(QStringLiteral("--fetes et --anniversaires ne vont pas ensemble"));
            selection = option == QLatin1String("--fetes") ? socle::Selection::Fetes
                                                           : socle::Selection::Anniversaires;
        } else {
            return usage(QStringLiteral("option inconnue « %1 »").arg(arguments[i]));
        }
    }
    if (importer.isEmpty() && exporter.isEmpty())
        return usage(QStringLiteral("--fetes et --anniversaires vont avec --exporter"));
    if (!importer.isEmpty() && selection)
        return usage(QStringLiteral("--fetes et --anniversaires vont avec --exporter"));

    // The calendar of the window, made from the bundled one if it is not there yet.
    const QString dossier = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/tarvelon/");
    QDir().mkpath(dossier);
    socle::Database base;
    QString message;
    if (!store::openCalendar(base, dossier + QStringLiteral("tarvelon.db"), &message)) {
        ecrire(stderr, QStringLiteral("tarvelon : ") +
                           message.replace(QStringLiteral("\n\r"), QStringLiteral("\n")));
        return 1;
    }
    const Rapport rapport =
        importer.isEmpty()
            ? echange::exporter(base, exporter, selection.value_or(socle::Selection::Tout))
        : ancien::estAncien(importer) ? ancien::importer(base, importer, dossier)
                                      : echange::importer(base, importer);
    if (rapport.issue == Rapport::Reussi) {
        ecrire(stdout, rapport.texte);
        return 0;
    }
    if (rapport.issue == Rapport::Usage)
        return usage(rapport.texte);
    ecrire(stderr, QStringLiteral("tarvelon : ") + rapport.texte);
    return 1;
}

} // namespace commande
