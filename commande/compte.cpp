// tarvelon --compte: the account on the user's calendar server, its
// calendar (found, or made) and the address books followed; the password
// kept in the desktop's keyring.
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "dav/dav.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"

#include <QCoreApplication>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace commande {

namespace {

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

int compte(const DemandeCompte& demande)
{
    synchro::Compte compte;
    compte.adresse = demande.adresse;
    compte.utilisateur = demande.utilisateur;
    if (demande.commandeMotDePasse)
        compte.commandeMotDePasse = *demande.commandeMotDePasse;
    compte.empreintes = demande.empreintes;
    compte.rappel = demande.rappel.value_or(synchro::Rappel::Aucun);
    compte.publierCarnets = demande.publierCarnets;
    // The password: from the command named, else typed, then kept in the
    // desktop's keyring.
    QString motDePasse;
    if (!compte.commandeMotDePasse.isEmpty()) {
        const synchro::MotDePasse m = synchro::motDePasseDeCommande(compte.commandeMotDePasse);
        if (!m.valeur)
            return echec(m.erreur + '.');
        motDePasse = *m.valeur;
    } else {
        const std::optional<QString> tape = demander(
            QStringLiteral("Mot de passe de %1 sur %2 : ").arg(compte.utilisateur, compte.adresse));
        if (!tape)
            return echec(QStringLiteral("aucun mot de passe n'a été donné."));
        motDePasse = *tape;
    }
    dav::Client client(synchro::identiteDe(compte, motDePasse));
    QStringList rapport;
    if (const int code = choisirAgenda(client, compte, demande.agenda, rapport); code != 0)
        return code;
    if (!demande.carnets.isEmpty())
        if (const int code = choisirCarnets(client, compte, demande.carnets, rapport); code != 0)
            return code;
    QString erreur;
    if (compte.commandeMotDePasse.isEmpty() &&
        !synchro::garderMotDePasse(compte, motDePasse, &erreur))
        rapport << erreur + QStringLiteral(" : donnez une commande qui l'écrit "
                                           "(--mot-de-passe-commande), ou laissez la "
                                           "fenêtre le demander une fois par session");
    if (!synchro::ecrireCompte(compte, &erreur))
        return echec(erreur + '.');
    ecrire(stdout,
           QStringLiteral("Compte %1 sur %2 : %3.")
               .arg(compte.utilisateur, compte.adresse, rapport.join(QStringLiteral(" ; "))));
    return 0;
}

} // namespace commande
