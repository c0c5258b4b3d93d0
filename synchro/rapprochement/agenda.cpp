#include "synchro/rapprochement/agenda.h"

#include <set>

namespace rapprochement {

namespace {

QString cleDe(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded);
}

} // namespace

std::vector<Ecriture> planifier(const EtatAgenda& etat, const ReleveAgenda& releve,
                                const QUrl& agenda, const std::vector<Voulu>& voulus)
{
    // What the server has: all of it when listed whole, else what Tarvelon
    // last wrote with what changed since.
    std::map<QString, std::pair<QUrl, QByteArray>> serveur;
    if (!releve.complet)
        for (const auto& [uid, t] : etat.evenements)
            serveur[cleDe(QUrl(t.href))] = {QUrl(t.href), t.etag};
    for (const QUrl& u : releve.supprimes)
        serveur.erase(cleDe(u));
    for (const auto& [url, etag] : releve.presents)
        serveur[cleDe(url)] = {url, etag};

    QUrl base = agenda;
    if (!base.path().endsWith(QLatin1Char('/')))
        base.setPath(base.path() + QLatin1Char('/'));
    std::vector<Ecriture> plan;
    std::set<QByteArray> voulu;
    for (const Voulu& e : voulus) {
        voulu.insert(e.uid);
        const QUrl url = base.resolved(QUrl::fromEncoded(QUrl::toPercentEncoding(e.uid) + ".ics"));
        const auto trace = etat.evenements.find(e.uid);
        const bool connu = trace != etat.evenements.end();
        const auto la = serveur.find(cleDe(url));
        Ecriture w{Ecriture::Sorte::Ajout, e.uid, url, e.octets, e.empreinte, std::nullopt};
        if (la != serveur.end()) {
            w.attendu = la->second.second;
            if (connu && trace->second.etag == *w.attendu) {
                if (trace->second.empreinte == e.empreinte)
                    continue; // as written, and still wanted so
                w.sorte = Ecriture::Sorte::Modification;
            } else {
                // Changed on the server behind Tarvelon's back (or written
                // just before a crash): Tarvelon's again.
                w.sorte = connu ? Ecriture::Sorte::RemisChange : Ecriture::Sorte::Modification;
            }
        } else if (connu) {
            w.sorte = Ecriture::Sorte::RemisSupprime;
        }
        plan.push_back(std::move(w));
    }

    // What is no longer wanted: what this installation wrote. An event
    // named as Tarvelon names its events but not written here is another
    // installation's (the user's other computer, on the same calendar):
    // never deleted as a stray.
    std::vector<std::pair<QByteArray, QUrl>> parti;
    for (const auto& [uid, t] : etat.evenements)
        if (!voulu.count(uid))
            parti.emplace_back(uid, QUrl(t.href));
    for (const auto& [uid, url] : parti) {
        const auto la = serveur.find(cleDe(url));
        if (la != serveur.end())
            plan.push_back({Ecriture::Sorte::Suppression, uid, url, {}, {}, la->second.second});
        else
            plan.push_back({Ecriture::Sorte::Oubli, uid, url, {}, {}, std::nullopt});
    }
    return plan;
}

} // namespace rapprochement
