// tarvelon --synchroniser: a run of the synchronisation with no window, as
// the morning timer and the user start it.
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "store/calendrier.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"

#include <QElapsedTimer>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace commande {

namespace {

// The question answered on the terminal: yes, no, or nothing (not a
// terminal, or no word typed).
std::optional<bool> repondre()
{
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    std::fprintf(stderr, "Les ajouter au calendrier, et les tenir à jour ? (oui/non) ");
    std::fflush(stderr);
    std::string ligne;
    if (!std::getline(std::cin, ligne))
        return std::nullopt;
    const QString mot = QString::fromStdString(ligne).trimmed().toLower();
    if (mot == QLatin1String("oui") || mot == QLatin1String("o"))
        return true;
    if (mot == QLatin1String("non") || mot == QLatin1String("n"))
        return false;
    return std::nullopt;
}

} // namespace

int synchroniser(std::optional<bool> reponse)
{
    QString erreur;
    std::optional<synchro::Compte> compte = synchro::lireCompte(&erreur);
    if (!compte && !erreur.isEmpty())
        return echec(erreur + QStringLiteral(" : donnez le compte à nouveau avec --compte "
                                             "ADRESSE UTILISATEUR."));
    if (!compte)
        return usage(QStringLiteral("aucun compte : donnez-le d'abord avec --compte ADRESSE "
                                    "UTILISATEUR"));
    const synchro::MotDePasse m = synchro::lireMotDePasse(*compte);
    if (!m.valeur)
        return echec(m.erreur + (m.sansTrousseau ? QStringLiteral(" : donnez une commande qui "
                                                                  "l'écrit avec --compte … "
                                                                  "--mot-de-passe-commande.")
                                                 : QStringLiteral(".")));
    // The user's word on the calendar another installation shares, kept.
    const auto garder = [&compte](bool oui) {
        QString erreur;
        compte->partage = oui;
        return synchro::ecrireCompte(*compte, &erreur) ? 0 : echec(erreur + '.');
    };
    if (reponse && compte->partage != reponse)
        if (const int code = garder(*reponse); code != 0)
            return code;
    // A run longer than a few seconds says how far it is, on the error
    // output (one line rewritten on a terminal).
    QElapsedTimer depuis;
    depuis.start();
    const bool terminal = ::isatty(STDERR_FILENO);
    bool dit = false;
    const auto progression = [&](int fait, int total) {
        if (depuis.elapsed() < 3000)
            return;
        std::fprintf(stderr, "%sAgenda : %d / %d%s", terminal ? "\r" : "", fait, total,
                     terminal ? "" : "\n");
        std::fflush(stderr);
        dit = true;
    };
    synchro::Bilan bilan =
        synchro::synchroniser(*compte, *m.valeur, store::calendarPath(), progression);
    // The calendar holds another installation's events: nothing came in
    // before the user's word.
    if (!bilan.question.isEmpty()) {
        if (!bilan.texte.isEmpty())
            ecrire(stdout, bilan.texte);
        ecrire(stderr, bilan.question);
        const std::optional<bool> dite = repondre();
        if (!dite)
            return echec(QStringLiteral("rien n'est publié avant votre réponse : tarvelon "
                                        "--synchroniser --oui les ajoute au calendrier et les "
                                        "tient à jour, --non publie sans eux."));
        if (const int code = garder(*dite); code != 0)
            return code;
        bilan = synchro::synchroniser(*compte, *m.valeur, store::calendarPath(), progression);
    }
    if (dit && terminal)
        std::fputc('\n', stderr);
    if (bilan.tableChangee)
        suivreAuBureau();
    if (!bilan.reussi)
        return echec(bilan.texte);
    ecrire(stdout, bilan.texte);
    return 0;
}

} // namespace commande
