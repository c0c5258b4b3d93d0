// tarvelon --compte: the account on the user's calendar server, its
// calendar (found, or made) and the address books followed; the password
// kept in the desktop's keyring.
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "synchro/installation.h"
#include "synchro/motdepasse.h"

#include <algorithm>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace commande {

namespace {

const QString NomParDefaut = QStringLiteral("Fêtes et anniversaires");

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
int choisirAgenda(const synchro::Offre& offre, synchro::Compte& compte, const QString& motDePasse,
                  const QString& voulu, QStringList& rapport)
{
    if (!offre.erreur.isEmpty())
        return echec(QStringLiteral("le compte n'a pas pu être trouvé : ") + offre.erreur + '.');
    if (!offre.erreurAgendas.isEmpty())
        return echec(QStringLiteral("les agendas ne peuvent pas être listés : ") +
                     offre.erreurAgendas + '.');
    QStringList noms;
    for (const synchro::Collection& col : offre.agendas) {
        noms << col.nom;
        if (col.nom.trimmed().compare(voulu.trimmed(), Qt::CaseInsensitive) == 0) {
            compte.agenda = col.url;
            compte.nomAgenda = col.nom;
            rapport << QStringLiteral("agenda « %1 » (%2)").arg(col.nom, col.url.toString());
            return 0;
        }
    }
    const synchro::AgendaCree creation =
        synchro::creerAgenda(compte, motDePasse, offre.maisonAgendas, voulu);
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
int choisirCarnets(const synchro::Offre& offre, synchro::Compte& compte, const QStringList& voulus,
                   QStringList& rapport)
{
    if (!offre.erreurCarnets.isEmpty())
        return echec(
            QStringLiteral("les carnets d'adresses du compte n'ont pas pu être trouvés : ") +
            offre.erreurCarnets + '.');
    if (!offre.erreurListeCarnets.isEmpty())
        return echec(QStringLiteral("les carnets d'adresses ne peuvent pas être listés : ") +
                     offre.erreurListeCarnets + '.');
    QStringList noms;
    for (const synchro::Collection& col : offre.carnets)
        noms << col.nom;
    for (const QString& voulu : voulus) {
        const auto it = std::find_if(
            offre.carnets.begin(), offre.carnets.end(), [&](const synchro::Collection& col) {
                return col.nom.trimmed().compare(voulu.trimmed(), Qt::CaseInsensitive) == 0;
            });
        if (it == offre.carnets.end())
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
    // The same account again: what is not given stays as it was.
    const std::optional<synchro::Compte> deja = synchro::lireCompte();
    const bool meme =
        deja && deja->adresse == demande.adresse && deja->utilisateur == demande.utilisateur;
    synchro::Compte compte = meme ? *deja : synchro::Compte{};
    compte.adresse = demande.adresse;
    compte.utilisateur = demande.utilisateur;
    if (demande.commandeMotDePasse)
        compte.commandeMotDePasse = *demande.commandeMotDePasse;
    for (const QString& e : demande.empreintes)
        if (!compte.empreintes.contains(e))
            compte.empreintes << e;
    if (demande.rappel)
        compte.rappel = *demande.rappel;
    compte.publierCarnets = compte.publierCarnets || demande.publierCarnets;
    if (demande.prochesPublies)
        compte.prochesPublies = *demande.prochesPublies;
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
        if (tape->size() > synchro::LongueurMaxMotDePasse)
            return echec(QStringLiteral("le mot de passe a plus de %1 caractères.")
                             .arg(synchro::LongueurMaxMotDePasse));
        motDePasse = *tape;
    }
    const synchro::Offre offre = synchro::chercherOffre(compte, motDePasse);
    QStringList rapport;
    if (demande.agenda || compte.agenda.isEmpty()) {
        if (const int code = choisirAgenda(offre, compte, motDePasse,
                                           demande.agenda.value_or(NomParDefaut), rapport);
            code != 0)
            return code;
    } else {
        if (!offre.erreur.isEmpty())
            return echec(QStringLiteral("le compte n'a pas pu être trouvé : ") + offre.erreur +
                         '.');
        rapport
            << QStringLiteral("agenda « %1 » (%2)").arg(compte.nomAgenda, compte.agenda.toString());
    }
    if (!demande.carnets.isEmpty())
        if (const int code = choisirCarnets(offre, compte, demande.carnets, rapport); code != 0)
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
