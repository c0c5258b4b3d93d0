// tarvelon --synchroniser: a run of the synchronisation with no window, as
// the morning timer and the user start it.
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "store/calendrier.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"

#include <QElapsedTimer>
#include <cstdio>
#include <unistd.h>

namespace commande {

int synchroniser()
{
    QString erreur;
    const std::optional<synchro::Compte> compte = synchro::lireCompte(&erreur);
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
    // A run longer than a few seconds says how far it is, on the error
    // output (one line rewritten on a terminal).
    QElapsedTimer depuis;
    depuis.start();
    const bool terminal = ::isatty(STDERR_FILENO);
    bool dit = false;
    const synchro::Bilan bilan =
        synchro::synchroniser(*compte, *m.valeur, store::calendarPath(), [&](int fait, int total) {
            if (depuis.elapsed() < 3000)
                return;
            std::fprintf(stderr, "%sAgenda : %d / %d%s", terminal ? "\r" : "", fait, total,
                         terminal ? "" : "\n");
            std::fflush(stderr);
            dit = true;
        });
    if (dit && terminal)
        std::fputc('\n', stderr);
    if (!bilan.reussi)
        return echec(bilan.texte);
    ecrire(stdout, bilan.texte);
    return 0;
}

} // namespace commande
