#include "synchro/publication.h"

#include "dav/dav.h"
#include "echange/echange.h"
#include "echange/icalendar.h"
#include "socle/jours.h"

#include "synchro/connexion.h"
#include "synchro/etat.h"
#include "synchro/ouverture.h"
#include "synchro/rapprochement/agenda.h"

#include <QCryptographicHash>
#include <QFile>
#include <map>
#include <set>

namespace synchro {

namespace {

using rapprochement::EtatAgenda;

EtatAgenda lireEtat()
{
    EtatAgenda etat;
    const QJsonObject o = lireFichierEtat(fichierEtatAgenda());
    etat.agenda = o.value(QStringLiteral("agenda")).toString();
    etat.jeton = o.value(QStringLiteral("jeton")).toString();
    const auto trace = [](const QJsonObject& t) {
        return rapprochement::Trace{t.value(QStringLiteral("href")).toString(),
                                    t.value(QStringLiteral("etag")).toString().toUtf8(),
                                    t.value(QStringLiteral("empreinte")).toString().toUtf8()};
    };
    const QJsonObject e = o.value(QStringLiteral("evenements")).toObject();
    for (auto it = e.begin(); it != e.end(); ++it)
        etat.evenements[it.key().toUtf8()] = trace(it.value().toObject());
    // The writes since the state was last written whole.
    for (const QJsonObject& ligne : lireJournal(fichierJournalAgenda())) {
        const QByteArray uid = ligne.value(QStringLiteral("uid")).toString().toUtf8();
        if (ligne.contains(QStringLiteral("href")))
            etat.evenements[uid] = trace(ligne);
        else
            etat.evenements.erase(uid);
    }
    return etat;
}

// One write recorded: its line in the journal.
bool noter(const QByteArray& uid, const rapprochement::Trace* t)
{
    QJsonObject ligne{{QStringLiteral("uid"), QString::fromUtf8(uid)}};
    if (t) {
        ligne.insert(QStringLiteral("href"), t->href);
        ligne.insert(QStringLiteral("etag"), QString::fromUtf8(t->etag));
        ligne.insert(QStringLiteral("empreinte"), QString::fromUtf8(t->empreinte));
    }
    return ajouterAuJournal(fichierJournalAgenda(), ligne);
}

// Written whole; the journal then says nothing more.
bool ecrireEtat(const EtatAgenda& etat)
{
    QJsonObject e;
    for (const auto& [uid, t] : etat.evenements)
        e.insert(QString::fromUtf8(uid),
                 QJsonObject{{QStringLiteral("href"), t.href},
                             {QStringLiteral("etag"), QString::fromUtf8(t.etag)},
                             {QStringLiteral("empreinte"), QString::fromUtf8(t.empreinte)}});
    if (!ecrireFichierEtat(fichierEtatAgenda(), QJsonObject{{QStringLiteral("agenda"), etat.agenda},
                                                            {QStringLiteral("jeton"), etat.jeton},
                                                            {QStringLiteral("evenements"), e}}))
        return false;
    QFile::remove(fichierJournalAgenda());
    return true;
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

using Sorte = rapprochement::Ecriture::Sorte;

struct Fait {
    dav::Written ecrit;
    bool laisse = false; // a deletion given up: the event changed meanwhile
};

// The writes sent at once: a few per connection, so that a slow link costs
// about the server's time, not the sum of the round trips.
constexpr size_t Lot = 48;

dav::Write envoi(const rapprochement::Ecriture& w, const std::optional<QByteArray>& attendu)
{
    return {w.url, w.octets,
            w.sorte == Sorte::Suppression ? QByteArray() : "text/calendar; charset=utf-8", attendu};
}

// A write refused because another computer wrote the event first (412),
// decided again on what the server has now, in the same run: this run's
// change is the latest and goes over the new version; a deletion against a
// change keeps the change (the event is left, and no longer this
// installation's).
Fait apresUnRefus(dav::Client& client, const rapprochement::Ecriture& w, const dav::Written& refus)
{
    QString erreur;
    const std::optional<QByteArray> maintenant = dav::currentEtag(client, w.url, &erreur);
    if (!erreur.isEmpty())
        return {refus};
    if (w.sorte == Sorte::Suppression)
        return {dav::Written{204, {}, {}}, maintenant.has_value()};
    return {dav::writeAll(client, {envoi(w, maintenant)}).front()}; // gone meanwhile: made again
}

QString etatNonEcrit()
{
    return QStringLiteral("l'état de la synchronisation ne peut pas être écrit (%1)")
        .arg(fichierEtatAgenda());
}

// What an event says, to be compared with what this run would write. On a
// calendar the user's installations share, each has its own alarm and its
// own people named in the description: those stay out, or two installations
// would write each other's events back and forth.
QByteArray sensCompare(const QByteArray& octets, bool partage)
{
    const QByteArray sens = echange::sens(octets);
    if (!partage || sens.isEmpty())
        return sens;
    QByteArrayList champs = sens.split('\x1f');
    for (const int propre : {2, 5}) // the description, the alarm
        if (propre < champs.size())
            champs[propre].clear();
    return champs.join('\x1f');
}

// Whether the server still has, as recorded, one event the incremental
// listing did not name (none known: nothing to doubt).
bool etatConfirme(dav::Client& client, const EtatAgenda& etat, const dav::Changes& ch)
{
    std::set<QString> nommes;
    for (const dav::Member& o : ch.present)
        nommes.insert(o.url.path(QUrl::FullyDecoded));
    for (const QUrl& u : ch.removed)
        nommes.insert(u.path(QUrl::FullyDecoded));
    for (const auto& [uid, t] : etat.evenements) {
        const QUrl href(t.href);
        if (nommes.count(href.path(QUrl::FullyDecoded)))
            continue;
        QString erreur;
        const std::optional<QByteArray> etag = dav::currentEtag(client, href, &erreur);
        return erreur.isEmpty() && etag == t.etag;
    }
    return true;
}

} // namespace

QString fichierEtatAgenda()
{
    return dossierEtat() + QStringLiteral("agenda.json");
}

QString fichierJournalAgenda()
{
    return dossierEtat() + QStringLiteral("agenda.journal");
}

bool nomDeTarvelon(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded).endsWith(QLatin1String("@tarvelon.ics"));
}

Ouverture ouvrir(Connexion& connexion, const Compte& compte)
{
    Ouverture o;
    const auto echec = [&o](const QString& raison) {
        o.erreur = QStringLiteral("L'agenda n'a pas pu être mis à jour : %1.").arg(raison);
        return std::move(o);
    };
    o.etat = lireEtat();
    // Another calendar: all to be written, the journal from here on its own.
    if (o.etat.agenda != compte.agenda.toString()) {
        o.etat = EtatAgenda{compte.agenda.toString(), {}, {}};
        if (!ecrireEtat(o.etat))
            return echec(etatNonEcrit());
    }
    o.jetonDeDepart = o.etat.jeton;

    // What the server says, since the last token.
    dav::Client& client = connexion.client();
    QString erreur;
    std::optional<dav::Collection> agenda =
        dav::collection(client, compte.agenda, dav::Kind::Calendars, &erreur);
    if (!agenda)
        return echec(erreur);
    o.agenda = *agenda;
    o.changements = dav::changes(client, o.agenda, o.etat.jeton);
    if (!o.changements.error.isEmpty())
        return echec(o.changements.error);
    // A calendar deleted and made anew at the same address (or another
    // server there) may take the old token and say nothing changed: one
    // event the listing did not name is looked at, and when the server does
    // not have it as written, the calendar is listed whole.
    if (!o.changements.complete && !etatConfirme(client, o.etat, o.changements)) {
        o.changements = dav::changes(client, o.agenda, QString());
        o.jetonDeDepart.clear();
        o.refait = true;
        if (!o.changements.error.isEmpty())
            return echec(o.changements.error);
    }
    return o;
}

Bilan publier(Connexion& connexion, const Compte& compte, const std::vector<socle::Fiche>& fiches,
              const std::vector<socle::Proche>& proches, const Avancement& avancement)
{
    Ouverture o = ouvrir(connexion, compte);
    if (!o.erreur.isEmpty())
        return {false, o.erreur, 0};
    return publier(connexion, compte, o, fiches, proches, avancement);
}

Bilan publier(Connexion& connexion, const Compte& compte, Ouverture& o,
              const std::vector<socle::Fiche>& fiches, const std::vector<socle::Proche>& proches,
              const Avancement& avancement)
{
    Bilan bilan;
    const auto echec = [&bilan](const QString& raison) {
        bilan.reussi = false;
        bilan.texte = QStringLiteral("L'agenda n'a pas pu être mis à jour : %1.").arg(raison);
        return bilan;
    };
    const auto etatNonEcrit = [&] { return echec(synchro::etatNonEcrit()); };
    EtatAgenda& etat = o.etat;
    const dav::Changes& ch = o.changements;
    const dav::Collection* agenda = &o.agenda;
    dav::Client& client = connexion.client();
    rapprochement::ReleveAgenda releve{{}, ch.removed, ch.complete, ch.token};
    for (const dav::Member& m : ch.present)
        releve.presents.emplace_back(m.url, m.etag);

    // What to write, then the writes, each recorded in the journal as soon
    // as done; the state written whole when the journal has grown as long
    // as the calendar (a publish costs the calendar's size, not its square).
    std::map<Sorte, int> n;
    size_t notees = 0;
    bool change = false;
    const auto noterUne = [&](const rapprochement::Ecriture& w, const rapprochement::Trace* trace) {
        if (!trace)
            etat.evenements.erase(w.uid);
        change = true;
        if (!noter(w.uid, trace))
            return false;
        if (++notees >= std::max<size_t>(100, etat.evenements.size())) {
            if (!ecrireEtat(etat))
                return false;
            notees = 0;
        }
        return true;
    };
    std::vector<rapprochement::Ecriture> plan = rapprochement::planifier(
        etat, releve, compte.agenda,
        voulus(fiches, {minutesDuRappel(compte.rappel)},
               compte.prochesPublies ? proches : std::vector<socle::Proche>()));
    // Events the server holds in bytes not written here (the user's other
    // computer wrote them, or the server rewrote them): read, and taken as
    // written here when they say what this run would write. No rewrite, and
    // two computers with the same calendar never write each other's events
    // back and forth.
    const bool partage = compte.partage.value_or(false);
    std::vector<QUrl> aLire;
    for (const rapprochement::Ecriture& w : plan)
        if (w.attendu && (w.sorte == Sorte::RemisChange ||
                          (w.sorte == Sorte::Modification && !etat.evenements.count(w.uid))))
            aLire.push_back(w.url);
    if (!aLire.empty()) {
        const dav::Resources lus = dav::fetch(client, agenda->url, aLire, dav::Kind::Calendars);
        std::map<QString, const dav::Resource*> parChemin;
        for (const dav::Resource& r : lus.items)
            parChemin[r.url.path(QUrl::FullyDecoded)] = &r;
        std::vector<rapprochement::Ecriture> reste;
        for (rapprochement::Ecriture& w : plan) {
            const auto lu = parChemin.find(w.url.path(QUrl::FullyDecoded));
            const QByteArray dit =
                lu != parChemin.end() ? sensCompare(lu->second->data, partage) : "";
            if (dit.isEmpty() || w.sorte == Sorte::Suppression ||
                dit != sensCompare(w.octets, partage)) {
                reste.push_back(std::move(w));
                continue;
            }
            const QByteArray etag = lu->second->etag.isEmpty() ? *w.attendu : lu->second->etag;
            if (!noterUne(w, &(etat.evenements[w.uid] = {w.url.toString(), etag, w.empreinte})))
                return etatNonEcrit();
        }
        plan = std::move(reste);
    }
    for (size_t debut = 0; debut < plan.size(); debut += Lot) {
        const size_t fin = std::min(plan.size(), debut + Lot);
        std::vector<dav::Write> envois;
        for (size_t i = debut; i < fin; ++i)
            if (plan[i].sorte != Sorte::Oubli)
                envois.push_back(envoi(plan[i], plan[i].attendu));
        const std::vector<dav::Written> faits = dav::writeAll(client, envois);
        // Recorded in the plan's order; what failed is said once the lot's
        // successes are recorded.
        QString erreur;
        size_t f = 0;
        for (size_t i = debut; i < fin; ++i) {
            const rapprochement::Ecriture& w = plan[i];
            const rapprochement::Trace* trace = nullptr;
            if (w.sorte != Sorte::Oubli) {
                Fait fait{faits[f++]};
                if (fait.ecrit.status == 412)
                    fait = apresUnRefus(client, w, fait.ecrit);
                if (!fait.ecrit.error.isEmpty()) {
                    if (erreur.isEmpty())
                        erreur = fait.ecrit.error;
                    continue;
                }
                if (!fait.laisse) {
                    ++n[w.sorte];
                    ++bilan.ecritures;
                }
                if (w.sorte == Sorte::Suppression)
                    o.supprimes.push_back(w.url);
                else if (!fait.laisse)
                    o.ecrits.push_back({w.url, fait.ecrit.etag, w.octets});
                if (w.sorte != Sorte::Suppression)
                    trace = &(
                        etat.evenements[w.uid] = {w.url.toString(), fait.ecrit.etag, w.empreinte});
            }
            if (!noterUne(w, trace))
                return etatNonEcrit();
        }
        if (!erreur.isEmpty())
            return echec(erreur); // what was done is in the journal
        if (avancement)
            avancement(int(fin), int(plan.size()));
    }

    if (ch.token != etat.jeton || change) {
        etat.jeton = ch.token;
        if (!ecrireEtat(etat))
            return etatNonEcrit();
    }
    bilan.texte = phrase(compte.nomAgenda.isEmpty() ? agenda->name : compte.nomAgenda,
                         n[Sorte::Ajout], n[Sorte::Modification], n[Sorte::Suppression],
                         n[Sorte::RemisChange], n[Sorte::RemisSupprime]) +
                  horsDeLaCollection(ch.outside, QStringLiteral("de l'agenda"));
    return bilan;
}

} // namespace synchro
