#include "synchro/publication.h"

#include "dav/dav.h"
#include "echange/echange.h"
#include "echange/icalendar.h"

#include "synchro/etat.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <map>

namespace synchro {

namespace {

// What Tarvelon last wrote of an event, and where.
struct Trace {
    QString href;
    QByteArray etag;
    QByteArray empreinte;
};

struct Etat {
    QString agenda;
    QString jeton;
    std::map<QByteArray, Trace> evenements; // by UID
};

Etat lireEtat()
{
    Etat etat;
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

bool ecrireEtat(const Etat& etat)
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

QString cleDe(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded);
}

// The events Tarvelon writes are named after their UIDs.
bool nommeParTarvelon(const QUrl& url)
{
    static const QRegularExpression nom(
        QStringLiteral("/(anniversaire-[0-9a-f]{20}(-\\d+)?|fetes-\\d{4})@tarvelon\\.ics$"));
    return nom.match(cleDe(url)).hasMatch();
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

Bilan publier(dav::Client& client, const Compte& compte, const std::vector<socle::Fiche>& fiches)
{
    Bilan bilan;
    const auto echec = [&bilan](const QString& raison) {
        bilan.reussi = false;
        bilan.texte = QStringLiteral("L'agenda n'a pas pu être mis à jour : %1.").arg(raison);
        return bilan;
    };
    Etat etat = lireEtat();
    if (etat.agenda != compte.agenda.toString())
        etat = Etat{compte.agenda.toString(), {}, {}}; // another calendar: all to be written

    QString erreur;
    std::optional<dav::Collection> agenda =
        dav::collection(client, compte.agenda, dav::Sorte::Agendas, &erreur);
    if (!agenda)
        return echec(erreur);
    const dav::Changements ch = dav::changements(client, *agenda, etat.jeton);
    if (!ch.erreur.isEmpty())
        return echec(ch.erreur);

    // What the server has: all of it when listed whole, else what Tarvelon
    // last wrote with what changed since.
    std::map<QString, std::pair<QUrl, QByteArray>> serveur;
    if (!ch.complet)
        for (const auto& [uid, t] : etat.evenements)
            serveur[cleDe(QUrl(t.href))] = {QUrl(t.href), t.etag};
    for (const QUrl& u : ch.supprimes)
        serveur.erase(cleDe(u));
    for (const dav::Objet& o : ch.presents)
        serveur[cleDe(o.url)] = {o.url, o.etag};

    QUrl base = compte.agenda;
    if (!base.path().endsWith(QLatin1Char('/')))
        base.setPath(base.path() + QLatin1Char('/'));
    const echange::Publication publication{minutesDuRappel(compte.rappel)};
    int ajoutes = 0, modifies = 0, supprimes = 0, remisChanges = 0, remisSupprimes = 0;
    std::map<QByteArray, bool> voulus;
    for (const echange::Evenement& e : echange::evenements(fiches, socle::Selection::Tout)) {
        voulus[e.uid] = true;
        const QByteArray empreinte =
            QCryptographicHash::hash(echange::ecrireEvenement(e, publication, false),
                                     QCryptographicHash::Sha1)
                .toHex();
        const QUrl url = base.resolved(QUrl::fromEncoded(QUrl::toPercentEncoding(e.uid) + ".ics"));
        const auto trace = etat.evenements.find(e.uid);
        const auto la = serveur.find(cleDe(url));
        std::optional<QByteArray> attendu;
        int* compteur = &ajoutes;
        if (la != serveur.end()) {
            attendu = la->second.second;
            if (trace != etat.evenements.end() && trace->second.etag == *attendu) {
                if (trace->second.empreinte == empreinte)
                    continue; // as written, and still wanted so
                compteur = &modifies;
            } else {
                // Changed on the server behind Tarvelon's back (or written
                // just before a crash): Tarvelon's again.
                compteur = trace != etat.evenements.end() ? &remisChanges : &modifies;
            }
        } else if (trace != etat.evenements.end()) {
            compteur = &remisSupprimes;
        }
        const dav::Ecriture w = dav::ecrire(client, url, echange::ecrireEvenement(e, publication),
                                            "text/calendar; charset=utf-8", attendu);
        if (!w.erreur.isEmpty())
            return echec(w.erreur);
        ++*compteur;
        ++bilan.ecritures;
        etat.evenements[e.uid] = {url.toString(), w.etag, empreinte};
        if (!ecrireEtat(etat))
            return echec(QStringLiteral("l'état de la synchronisation ne peut pas être écrit (%1)")
                             .arg(fichierEtatAgenda()));
    }

    // What is no longer wanted: Tarvelon's own events only.
    std::vector<std::pair<QByteArray, QUrl>> aSupprimer;
    for (const auto& [uid, t] : etat.evenements)
        if (!voulus.count(uid))
            aSupprimer.emplace_back(uid, QUrl(t.href));
    if (ch.complet)
        for (const auto& [cle, objet] : serveur)
            if (nommeParTarvelon(objet.first)) {
                const QByteArray uid =
                    QUrl::fromPercentEncoding(cle.section(QLatin1Char('/'), -1).chopped(4).toUtf8())
                        .toUtf8();
                if (!voulus.count(uid) && !etat.evenements.count(uid))
                    aSupprimer.emplace_back(uid, objet.first);
            }
    for (const auto& [uid, url] : aSupprimer) {
        const auto la = serveur.find(cleDe(url));
        if (la != serveur.end()) {
            const dav::Ecriture d = dav::supprimer(client, url, la->second.second);
            if (!d.erreur.isEmpty())
                return echec(d.erreur);
            ++supprimes;
            ++bilan.ecritures;
        }
        etat.evenements.erase(uid);
        if (!ecrireEtat(etat))
            return echec(QStringLiteral("l'état de la synchronisation ne peut pas être écrit (%1)")
                             .arg(fichierEtatAgenda()));
    }

    if (ch.jeton != etat.jeton || bilan.ecritures > 0) {
        etat.jeton = ch.jeton;
        if (!ecrireEtat(etat))
            return echec(QStringLiteral("l'état de la synchronisation ne peut pas être écrit (%1)")
                             .arg(fichierEtatAgenda()));
    }
    bilan.texte = phrase(compte.nomAgenda.isEmpty() ? agenda->nom : compte.nomAgenda, ajoutes,
                         modifies, supprimes, remisChanges, remisSupprimes);
    return bilan;
}

} // namespace synchro
