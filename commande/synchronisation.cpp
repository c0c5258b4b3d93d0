// tarvelon --compte and --synchroniser: the account on the user's calendar
// server, and a run of the synchronisation, with no window.
#include "commande/synchronisation.h"

#include "dav/dav.h"
#include "socle/texte.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace commande {

namespace {

const QString NomParDefaut = QStringLiteral("Fêtes et anniversaires");

void dire(std::FILE* flux, const QString& texte)
{
    for (const QString& ligne : texte.split(QLatin1Char('\n')))
        std::fprintf(flux, "%s\n", socle::texteSur(ligne.toStdString()).c_str());
}

int usage(const QString& erreur)
{
    dire(stderr, QStringLiteral("tarvelon : ") + erreur +
                     QStringLiteral("\nEssayez « tarvelon --help » pour en savoir plus."));
    return 2;
}

int echec(const QString& raison)
{
    dire(stderr, QStringLiteral("tarvelon : ") + raison);
    return 1;
}

// The password typed on the terminal, without echo.
std::optional<QString> demander(const QString& question)
{
    std::fprintf(stderr, "%s", question.toUtf8().constData());
    std::fflush(stderr);
    termios avant{};
    const bool terminal = ::isatty(0) && ::tcgetattr(0, &avant) == 0;
    if (terminal) {
        termios muet = avant;
        muet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(0, TCSAFLUSH, &muet);
    }
    std::string ligne;
    const bool lu = bool(std::getline(std::cin, ligne));
    if (terminal) {
        ::tcsetattr(0, TCSAFLUSH, &avant);
        std::fprintf(stderr, "\n");
    }
    if (!lu || ligne.empty())
        return std::nullopt;
    return QString::fromStdString(ligne);
}

QString fichierCalendrier()
{
    const QString dossier = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/tarvelon/");
    return dossier + QStringLiteral("tarvelon.db");
}

// The account's calendar: the one of that name, else one made with it.
int choisirAgenda(dav::Client& client, synchro::Compte& compte, const QString& voulu,
                  QStringList& rapport)
{
    const dav::Decouverte d = dav::decouvrir(client, compte.adresse, dav::Sorte::Agendas);
    if (!d.erreur.isEmpty())
        return echec(QStringLiteral("le compte n'a pas pu être trouvé : ") + d.erreur + '.');
    const dav::Collections c = dav::collections(client, d.maison, dav::Sorte::Agendas);
    if (!c.erreur.isEmpty())
        return echec(QStringLiteral("les agendas ne peuvent pas être listés : ") + c.erreur + '.');
    QStringList noms;
    for (const dav::Collection& col : c.liste) {
        if (!col.evenements)
            continue;
        noms << col.nom;
        if (col.nom.trimmed().compare(voulu.trimmed(), Qt::CaseInsensitive) == 0) {
            compte.agenda = col.url;
            compte.nomAgenda = col.nom;
            rapport << QStringLiteral("agenda « %1 » (%2)").arg(col.nom, col.url.toString());
            return 0;
        }
    }
    const dav::Creation creation = dav::creerAgenda(client, d.maison, voulu);
    if (!creation.erreur.isEmpty())
        return echec(
            QStringLiteral("l'agenda « %1 » n'existe pas et le serveur refuse de le "
                           "créer (%2). Agendas du compte : %3.")
                .arg(voulu, creation.erreur,
                     noms.isEmpty() ? QStringLiteral("aucun") : noms.join(QStringLiteral(", "))));
    compte.agenda = creation.url;
    compte.nomAgenda = voulu;
    rapport << QStringLiteral("agenda « %1 » créé (%2)").arg(voulu, creation.url.toString());
    return 0;
}

// The address books named, among the account's.
int choisirCarnets(dav::Client& client, synchro::Compte& compte, const QStringList& voulus,
                   QStringList& rapport)
{
    const dav::Decouverte d = dav::decouvrir(client, compte.adresse, dav::Sorte::Carnets);
    if (!d.erreur.isEmpty())
        return echec(
            QStringLiteral("les carnets d'adresses du compte n'ont pas pu être trouvés : ") +
            d.erreur + '.');
    const dav::Collections c = dav::collections(client, d.maison, dav::Sorte::Carnets);
    if (!c.erreur.isEmpty())
        return echec(QStringLiteral("les carnets d'adresses ne peuvent pas être listés : ") +
                     c.erreur + '.');
    QStringList noms;
    for (const dav::Collection& col : c.liste)
        noms << col.nom;
    for (const QString& voulu : voulus) {
        const auto it =
            std::find_if(c.liste.begin(), c.liste.end(), [&](const dav::Collection& col) {
                return col.nom.trimmed().compare(voulu.trimmed(), Qt::CaseInsensitive) == 0;
            });
        if (it == c.liste.end())
            return echec(QStringLiteral("le carnet d'adresses « %1 » n'existe pas. Carnets du "
                                        "compte : %2.")
                             .arg(voulu, noms.isEmpty() ? QStringLiteral("aucun")
                                                        : noms.join(QStringLiteral(", "))));
        if (compte.carnets.contains(it->url))
            continue;
        compte.carnets << it->url;
        compte.nomsCarnets << it->nom;
        rapport << QStringLiteral("carnet « %1 » suivi").arg(it->nom);
    }
    return 0;
}

} // namespace

bool estSynchronisation(const QStringList& arguments)
{
    return arguments.contains(QStringLiteral("--synchroniser")) ||
           arguments.contains(QStringLiteral("--compte"));
}

int executerSynchronisation(const QStringList& arguments)
{
    static int argc = 1;
    static char nom[] = "tarvelon";
    static char* argv[] = {nom, nullptr};
    QCoreApplication application(argc, argv);

    bool synchroniser = false;
    std::optional<synchro::Compte> nouveau;
    QString agenda = NomParDefaut;
    std::optional<QString> commandeMotDePasse;
    std::optional<synchro::Rappel> rappel;
    QStringList empreintes, carnets;
    bool publierCarnets = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        const auto valeur = [&](int combien) -> bool { return i + combien < arguments.size(); };
        if (option == QLatin1String("--synchroniser")) {
            synchroniser = true;
        } else if (option == QLatin1String("--publier-carnets")) {
            publierCarnets = true;
        } else if (option == QLatin1String("--compte")) {
            if (!valeur(2))
                return usage(QStringLiteral("--compte attend l'adresse du serveur et le nom "
                                            "d'utilisateur"));
            nouveau = synchro::Compte{};
            nouveau->adresse = arguments[++i];
            nouveau->utilisateur = arguments[++i];
        } else if (option == QLatin1String("--agenda") || option == QLatin1String("--carnet") ||
                   option == QLatin1String("--mot-de-passe-commande") ||
                   option == QLatin1String("--rappel") || option == QLatin1String("--certificat")) {
            if (!valeur(1))
                return usage(QStringLiteral("l'option « %1 » attend une valeur").arg(option));
            const QString v = arguments[++i];
            if (option == QLatin1String("--agenda"))
                agenda = v;
            else if (option == QLatin1String("--mot-de-passe-commande"))
                commandeMotDePasse = v;
            else if (option == QLatin1String("--certificat"))
                empreintes << v.toUpper();
            else if (option == QLatin1String("--carnet"))
                carnets << v;
            else if (option == QLatin1String("--rappel")) {
                if (v == QLatin1String("aucun"))
                    rappel = synchro::Rappel::Aucun;
                else if (v == QLatin1String("veille"))
                    rappel = synchro::Rappel::Veille;
                else if (v == QLatin1String("jour"))
                    rappel = synchro::Rappel::Jour;
                else
                    return usage(QStringLiteral("--rappel attend aucun, veille ou jour"));
            }
        } else {
            return usage(QStringLiteral("option inconnue « %1 »").arg(option));
        }
    }
    if (!nouveau && (!synchroniser || !carnets.isEmpty() || publierCarnets || rappel ||
                     commandeMotDePasse || !empreintes.isEmpty() || agenda != NomParDefaut))
        return usage(QStringLiteral("--agenda, --carnet, --publier-carnets, --rappel, "
                                    "--certificat et --mot-de-passe-commande vont avec --compte"));

    if (nouveau) {
        synchro::Compte& compte = *nouveau;
        if (commandeMotDePasse)
            compte.commandeMotDePasse = *commandeMotDePasse;
        compte.empreintes = empreintes;
        compte.rappel = rappel.value_or(synchro::Rappel::Aucun);
        compte.publierCarnets = publierCarnets;
        // The password: from the command named, else typed, then kept in the
        // desktop's keyring.
        QString motDePasse;
        if (!compte.commandeMotDePasse.isEmpty()) {
            const synchro::MotDePasse m = synchro::motDePasseDeCommande(compte.commandeMotDePasse);
            if (!m.valeur)
                return echec(m.erreur + '.');
            motDePasse = *m.valeur;
        } else {
            const std::optional<QString> tape =
                demander(QStringLiteral("Mot de passe de %1 sur %2 : ")
                             .arg(compte.utilisateur, compte.adresse));
            if (!tape)
                return echec(QStringLiteral("aucun mot de passe n'a été donné."));
            motDePasse = *tape;
        }
        dav::Client client(synchro::identiteDe(compte, motDePasse));
        QStringList rapport;
        if (const int code = choisirAgenda(client, compte, agenda, rapport); code != 0)
            return code;
        if (!carnets.isEmpty())
            if (const int code = choisirCarnets(client, compte, carnets, rapport); code != 0)
                return code;
        QString erreur;
        if (compte.commandeMotDePasse.isEmpty() &&
            !synchro::garderMotDePasse(compte, motDePasse, &erreur))
            rapport << erreur + QStringLiteral(" : donnez une commande qui l'écrit "
                                               "(--mot-de-passe-commande), ou laissez la "
                                               "fenêtre le demander une fois par session");
        if (!synchro::ecrireCompte(compte, &erreur))
            return echec(erreur + '.');
        dire(stdout,
             QStringLiteral("Compte %1 sur %2 : %3.")
                 .arg(compte.utilisateur, compte.adresse, rapport.join(QStringLiteral(" ; "))));
        if (!synchroniser)
            return 0;
    }

    const std::optional<synchro::Compte> compte = synchro::lireCompte();
    if (!compte)
        return usage(QStringLiteral("aucun compte : donnez-le d'abord avec --compte ADRESSE "
                                    "UTILISATEUR"));
    const synchro::MotDePasse m = synchro::lireMotDePasse(*compte);
    if (!m.valeur)
        return echec(m.erreur + (m.sansTrousseau ? QStringLiteral(" : donnez une commande qui "
                                                                  "l'écrit avec --compte … "
                                                                  "--mot-de-passe-commande.")
                                                 : QStringLiteral(".")));
    const synchro::Bilan bilan = synchro::synchroniser(*compte, *m.valeur, fichierCalendrier());
    if (!bilan.reussi)
        return echec(bilan.texte);
    dire(stdout, bilan.texte);
    return 0;
}

} // namespace commande
