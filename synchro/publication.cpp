#include "synchro/publication.h"

#include "dav/dav.h"
#include "echange/echange.h"
#include "echange/icalendar.h"
#include "socle/jours.h"

#include "synchro/connexion.h"
#include "synchro/etat.h"
#include "synchro/rapprochement/agenda.h"

#include <QCryptographicHash>
#include <map>

namespace synchro {

namespace {

using rapprochement::EtatAgenda;

EtatAgenda lireEtat()
{
    EtatAgenda etat;
    const QJsonObject o = lireFichierEtat(fichierEtatAgenda());
    etat.agenda = o.value(QStringLiteral("agenda")).toString();
    etat.jeton = o.value(QStringLiteral("jeton")).toString();
    const QJsonObject e = o.value(QStringLiteral("evenements")).toObject();
    for (auto it = e.begin(); it != e.end(); ++it) {
        const QJsonObject t = it.value().toObject();
        etat.evenements[it.key().toUtf8()] = {
            t.value(QStringLiteral("href")).toString(),
            t.value(QStringLiteral("etag")).toString().toUtf8(),
            t.value(QStringLiteral("empreinte")).toString().toUtf8()};
    }
    return etat;
}

bool ecrireEtat(const EtatAgenda& etat)
{
    QJsonObject e;
    for (const auto& [uid, t] : etat.evenements)
        e.insert(QString::fromUtf8(uid),
                 QJsonObject{{QStringLiteral("href"), t.href},
                             {QStringLiteral("etag"), QString::fromUtf8(t.etag)},
                             {QStringLiteral("empreinte"), QString::fromUtf8(t.empreinte)}});
    return ecrireFichierEtat(fichierEtatAgenda(),
                             QJsonObject{{QStringLiteral("agenda"), etat.agenda},
                                         {QStringLiteral("jeton"), etat.jeton},
                                         {QStringLiteral("evenements"), e}});
}

// The events the table wants on the server, each with its hash; a day of
// name days names the people to wish that day.
std::vector<rapprochement::Voulu> voulus(const std::vector<socle::Fiche>& fiches,
                                         const echange::Publication& publication,
                                         const std::vector<socle::Proche>& proches)
{
    std::map<std::string, QStringList> parJour;
    for (const socle::Proche& p : proches)
        if (p.souhaiter && !p.jour.empty())
            parJour[p.jour] << QString::fromStdString(p.nom);
    std::vector<rapprochement::Voulu> v;
    for (echange::Evenement& e : echange::evenements(fiches, socle::Selection::Tout)) {
        if (!e.fiches.empty() && e.fiches.front().estFete())
            if (const auto jour = parJour.find(socle::cleDuJour(e.jour, e.mois));
                jour != parJour.end())
                e.description =
                    QStringLiteral("À souhaiter : ") + jour->second.join(QStringLiteral(", "));
        v.push_back({e.uid, echange::ecrireEvenement(e, publication),
                     QCryptographicHash::hash(echange::ecrireEvenement(e, publication, false),
                                              QCryptographicHash::Sha1)
                         .toHex()});
    }
    return v;
}

QString phrase(const QString& agenda, int ajoutes, int modifies, int supprimes, int remisChanges,
               int remisSupprimes)
{
    QStringList quoi;
    if (ajoutes)
        quoi << echange::compte(ajoutes, QStringLiteral("événement ajouté"),
                                QStringLiteral("événements ajoutés"));
    if (modifies)
        quoi << echange::compte(modifies, QStringLiteral("modifié"), QStringLiteral("modifiés"));
    if (supprimes)
        quoi << echange::compte(supprimes, QStringLiteral("supprimé"), QStringLiteral("supprimés"));
    if (remisChanges)
        quoi << echange::compte(remisChanges,
                                QStringLiteral("remis tel que Tarvelon l'avait écrit (il avait "
                                               "été changé sur le serveur)"),
                                QStringLiteral("remis tels que Tarvelon les avait écrits (ils "
                                               "avaient été changés sur le serveur)"));
    if (remisSupprimes)
        quoi << echange::compte(remisSupprimes,
                                QStringLiteral("remis (il avait été supprimé sur le serveur)"),
                                QStringLiteral("remis (ils avaient été supprimés sur le "
                                               "serveur)"));
    if (quoi.isEmpty())
        return QStringLiteral("Agenda « %1 » : déjà à jour, rien à changer.").arg(agenda);
    return QStringLiteral("Agenda « %1 » : %2.").arg(agenda, quoi.join(QStringLiteral(", ")));
}

} // namespace

QString fichierEtatAgenda()
{
    return dossierEtat() + QStringLiteral("agenda.json");
}

Bilan publier(Connexion& connexion, const Compte& compte, const std::vector<socle::Fiche>& fiches,
              const std::vector<socle::Proche>& proches)
{
    Bilan bilan;
    const auto echec = [&bilan](const QString& raison) {
        bilan.reussi = false;
        bilan.texte = QStringLiteral("L'agenda n'a pas pu être mis à jour : %1.").arg(raison);
        return bilan;
    };
    const auto etatNonEcrit = [&] {
        return echec(QStringLiteral("l'état de la synchronisation ne peut pas être écrit (%1)")
                         .arg(fichierEtatAgenda()));
    };
    EtatAgenda etat = lireEtat();
    if (etat.agenda != compte.agenda.toString())
        etat = EtatAgenda{compte.agenda.toString(), {}, {}}; // another calendar: all to be written

    // What the server says, since the last token.
    dav::Client& client = connexion.client();
    QString erreur;
    std::optional<dav::Collection> agenda =
        dav::collection(client, compte.agenda, dav::Kind::Calendars, &erreur);
    if (!agenda)
        return echec(erreur);
    const dav::Changes ch = dav::changes(client, *agenda, etat.jeton);
    if (!ch.error.isEmpty())
        return echec(ch.error);
    rapprochement::ReleveAgenda releve{{}, ch.removed, ch.complete, ch.token};
    for (const dav::Member& o : ch.present)
        releve.presents.emplace_back(o.url, o.etag);

    // What to write, then the writes, the state recorded after each.
    using Sorte = rapprochement::Ecriture::Sorte;
    std::map<Sorte, int> n;
    for (const rapprochement::Ecriture& w : rapprochement::planifier(
             etat, releve, compte.agenda,
             voulus(fiches, {minutesDuRappel(compte.rappel)},
                    compte.prochesPublies ? proches : std::vector<socle::Proche>()))) {
        if (w.sorte == Sorte::Oubli) {
            etat.evenements.erase(w.uid);
        } else {
            const dav::Written fait =
                w.sorte == Sorte::Suppression
                    ? dav::remove(client, w.url, *w.attendu)
                    : dav::put(client, w.url, w.octets, "text/calendar; charset=utf-8", w.attendu);
            if (!fait.error.isEmpty())
                return echec(fait.error);
            ++n[w.sorte];
            ++bilan.ecritures;
            if (w.sorte == Sorte::Suppression)
                etat.evenements.erase(w.uid);
            else
                etat.evenements[w.uid] = {w.url.toString(), fait.etag, w.empreinte};
        }
        if (!ecrireEtat(etat))
            return etatNonEcrit();
    }

    if (ch.token != etat.jeton || bilan.ecritures > 0) {
        etat.jeton = ch.token;
        if (!ecrireEtat(etat))
            return etatNonEcrit();
    }
    bilan.texte = phrase(compte.nomAgenda.isEmpty() ? agenda->name : compte.nomAgenda,
                         n[Sorte::Ajout], n[Sorte::Modification], n[Sorte::Suppression],
                         n[Sorte::RemisChange], n[Sorte::RemisSupprime]);
    return bilan;
}

} // namespace synchro
