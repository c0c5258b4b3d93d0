// tarvelon --synchroniser: a run of the synchronisation with no window, as
// the morning timer and the user start it.
#include "commande/sortie.h"
#include "commande/verbes.h"
#include "store/calendrier.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"

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
    const synchro::Bilan bilan = synchro::synchroniser(*compte, *m.valeur, store::calendarPath());
    if (!bilan.reussi)
        return echec(bilan.texte);
    ecrire(stdout, bilan.texte);
    return 0;
}

} // namespace commande
