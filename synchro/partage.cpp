#include "synchro/partage.h"

#include "echange/echange.h"
#include "echange/icalendar.h"
#include "socle/raisons.h"
#include "synchro/carnets.h"
#include "synchro/etat.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace synchro {

namespace {

using rapprochement::Carte;

QString cleDe(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded);
}

// An event listed, not read: followed as a card.
Carte carteListee(const QUrl& url, const QByteArray& etag)
{
    return {cleDe(url), etag, std::nullopt, cleDe(url).section(QLatin1Char('/'), -1), true, {}};
}

struct Lus {
    std::vector<Carte> cartes;                           // read: each one's birthday, if any
    std::vector<std::pair<QString, socle::Fiche>> fetes; // the names of the days read, by event
    std::vector<QString> manquants;
    QString erreur;
    bool toutLu = true;
};

// The events named, read. Only what an event carries whole (the entries
// Tarvelon writes into it) is taken: an event a phone or another program
// wrote brings nothing.
Lus lire(dav::Client& client, const QUrl& agenda, const std::vector<QUrl>& urls)
{
    Lus l;
    if (urls.empty())
        return l;
    const dav::Resources r = dav::fetch(client, agenda, urls, dav::Kind::Calendars);
    if (!r.error.isEmpty()) {
        l.erreur = r.error;
        return l;
    }
    for (const dav::Resource& d : r.items) {
        Carte c = carteListee(d.url, d.etag);
        c.octets = QByteArray(); // read
        const echange::LectureIcalendar lecture = echange::lireIcalendar(d.data);
        if (lecture.sauvegarde)
            for (const socle::Fiche& f : lecture.fiches) {
                if (f.estFete())
                    l.fetes.emplace_back(c.cle, f);
                else if (!c.fiche)
                    c.fiche = f; // one birthday an event
            }
        l.cartes.push_back(std::move(c));
    }
    for (const QUrl& u : r.missing)
        l.manquants.push_back(cleDe(u));
    l.toutLu = r.items.size() + r.missing.size() >= urls.size();
    return l;
}

using Exacte = std::tuple<std::string, std::string, std::string, std::string>;

Exacte exacte(const socle::Fiche& f)
{
    return {f.nom, f.date, f.annee, f.mf};
}

// Not asked yet: what the events this installation did not write hold that
// the table has not (the question), nothing written.
BilanPartage apercu(dav::Client& client, const Compte& compte, const Ouverture& o,
                    const socle::Instantane& table)
{
    BilanPartage b;
    std::set<std::pair<QString, QByteArray>> ecrits;
    for (const auto& [uid, t] : o.etat.evenements)
        ecrits.emplace(cleDe(QUrl(t.href)), t.etag);
    std::vector<QUrl> aLire;
    for (const dav::Member& m : o.changements.present)
        if (nomDeTarvelon(m.url) && !ecrits.count({cleDe(m.url), m.etag}))
            aLire.push_back(m.url);
    const Lus l = lire(client, o.agenda.url, aLire);
    if (!l.erreur.isEmpty()) {
        b.erreur = QStringLiteral("L'agenda n'a pas pu être lu : %1.").arg(l.erreur);
        return b;
    }
    std::multiset<Exacte> la;
    for (const socle::FicheStockee& f : table.fiches)
        la.insert(exacte(f.fiche));
    const auto nouvelle = [&la](const socle::Fiche& f) {
        const auto it = la.find(exacte(f));
        if (it == la.end())
            return true;
        la.erase(it);
        return false;
    };
    int anniversaires = 0, presents = 0, fetes = 0;
    for (const Carte& c : l.cartes)
        if (c.fiche) {
            ++anniversaires;
            presents += nouvelle(*c.fiche) ? 0 : 1;
        }
    for (const auto& [cle, f] : l.fetes)
        fetes += nouvelle(f) ? 1 : 0;
    if (anniversaires == presents && fetes == 0)
        return b; // nothing this table has not: the publish takes them as its own
    QStringList quoi;
    if (anniversaires)
        quoi << echange::compte(anniversaires, QStringLiteral("anniversaire"),
                                QStringLiteral("anniversaires")) +
                    (presents ? QStringLiteral(" (dont %1)")
                                    .arg(echange::compte(presents, QStringLiteral("déjà présent"),
                                                         QStringLiteral("déjà présents")))
                              : QString());
    if (fetes)
        quoi << echange::compte(fetes, QStringLiteral("prénom de fête que ce calendrier n'a pas"),
                                QStringLiteral("prénoms de fête que ce calendrier n'a pas"));
    b.question = QStringLiteral("L'agenda « %1 » tient déjà les fêtes et anniversaires d'un autre "
                                "Tarvelon : %2.")
                     .arg(compte.nomAgenda.isEmpty() ? o.agenda.name : compte.nomAgenda,
                          quoi.join(QStringLiteral(" et ")));
    return b;
}

QString phrase(const QString& agenda, const rapprochement::Compteurs& n, int fetes)
{
    QStringList quoi = changementsDits(n);
    if (fetes)
        quoi << echange::compte(fetes, QStringLiteral("prénom de fête ajouté"),
                                QStringLiteral("prénoms de fête ajoutés"));
    if (quoi.isEmpty())
        return {};
    return QStringLiteral("Agenda « %1 », d'un autre Tarvelon : %2.")
        .arg(agenda, quoi.join(QStringLiteral(", ")));
}

} // namespace

QString fichierEtatPartage()
{
    return dossierEtat() + QStringLiteral("partage.json");
}

BilanPartage partager(Connexion& connexion, const Compte& compte, const Ouverture& o,
                      socle::Database& base, socle::Instantane& table)
{
    dav::Client& client = connexion.client();
    if (!compte.partage)
        return apercu(client, compte, o, table);
    BilanPartage b;
    if (!*compte.partage)
        return b;
    const auto echec = [&b](const QString& raison) {
        b.erreur = QStringLiteral("L'agenda n'a pas pu être lu : %1.").arg(raison);
        return std::move(b);
    };
    const QJsonObject sauve = lireFichierEtat(fichierEtatPartage());
    if (sauve.value(QStringLiteral("agenda")).toString() == compte.agenda.toString())
        b.etat = carnetDeJson(sauve.value(QStringLiteral("carnet")).toObject());
    const bool enPhase = !b.etat.jeton.isEmpty() && b.etat.jeton == o.jetonDeDepart;
    b.etat.agenda = true;
    b.etat.proches = true; // an event is read when it is new or changed

    // The publish's listing, unless this state missed some of what it
    // says: then the calendar listed whole.
    dav::Changes ch = o.changements;
    if (!ch.complete && !enPhase) {
        ch = dav::changes(client, o.agenda, QString());
        if (!ch.error.isEmpty())
            return echec(ch.error);
    }
    // A calendar that holds none of the events this state knows is another
    // one (made anew, restored, another server): what it lacks was not
    // deleted by anyone, and the entries stay; its events are taken afresh.
    std::set<QString> listes;
    for (const dav::Member& m : ch.present)
        listes.insert(cleDe(m.url));
    if (o.refait || (ch.complete &&
                     std::none_of(b.etat.contacts.begin(), b.etat.contacts.end(),
                                  [&listes](const auto& c) { return listes.count(c.first) > 0; })))
        b.etat.contacts.clear();
    rapprochement::Releve releve;
    releve.complet = ch.complete;
    releve.jeton = ch.token;
    for (const QUrl& u : ch.removed)
        if (nomDeTarvelon(u))
            releve.parties.push_back(cleDe(u));
    std::vector<QUrl> aLire;
    std::map<QString, size_t> ou;
    for (const dav::Member& m : ch.present) {
        if (!nomDeTarvelon(m.url))
            continue;
        ou[cleDe(m.url)] = releve.cartes.size();
        releve.cartes.push_back(carteListee(m.url, m.etag));
        if (rapprochement::aLire(b.etat, cleDe(m.url), m.etag))
            aLire.push_back(m.url);
    }
    Lus l = lire(client, o.agenda.url, aLire);
    if (!l.erreur.isEmpty())
        return echec(l.erreur);
    for (Carte& c : l.cartes) {
        const auto it = ou.find(c.cle);
        if (it != ou.end())
            releve.cartes[it->second] = std::move(c);
        else
            releve.cartes.push_back(std::move(c));
    }
    releve.parties.insert(releve.parties.end(), l.manquants.begin(), l.manquants.end());
    releve.toutLu = l.toutLu;
    // An event this installation wrote, still as it wrote it, brings
    // nothing: what the table no longer has of it was deleted here, and the
    // publish deletes it there.
    std::set<std::pair<QString, QByteArray>> ecritsIci;
    for (const auto& [uid, t] : o.etat.evenements)
        ecritsIci.emplace(cleDe(QUrl(t.href)), t.etag);
    std::set<Exacte> dansLaTable;
    for (const socle::FicheStockee& f : table.fiches)
        dansLaTable.insert(exacte(f.fiche));
    std::set<QString> deCetteInstallation;
    for (Carte& c : releve.cartes)
        if (c.octets && ecritsIci.count({c.cle, c.etag})) {
            deCetteInstallation.insert(c.cle);
            if (c.fiche && !b.etat.contacts.count(c.cle) && !dansLaTable.count(exacte(*c.fiche)))
                c.fiche.reset();
        }
    std::vector<socle::Fiche> nomsDesJours;
    for (const auto& [cle, f] : l.fetes)
        if (!deCetteInstallation.count(cle))
            nomsDesJours.push_back(f);

    // The rule, then the names of the days this table has not.
    int fetes = 0;
    const auto regle = [&] {
        rapprochement::Rapprochement r = rapprochement::rapprocher(b.etat, releve, table.fiches);
        const std::vector<bool> la = socle::dejaPresentes(table.fiches, nomsDesJours);
        fetes = 0;
        for (size_t i = 0; i < nomsDesJours.size(); ++i)
            if (!la[i]) {
                r.editions.push_back(
                    {rapprochement::Edition::Sorte::Ajout, 0, nomsDesJours[i], {}});
                ++fetes;
            }
        return r;
    };
    rapprochement::Rapprochement r = regle();
    if (!r.editions.empty()) {
        const auto refus = [&](int code) {
            return echec(QStringLiteral("le calendrier ne peut pas être modifié : ") +
                         QString::fromStdString(socle::raisonSqlite(code)));
        };
        socle::Transaction transaction(base);
        if (!transaction.isOpen())
            return refus(transaction.code());
        if (!socle::estAJour(base, table)) {
            if (const int code = socle::lireInstantane(base, table); code != socle::SqliteOk)
                return refus(code);
            r = regle();
        }
        if (const int code = rapprochement::appliquer(base, r); code != socle::SqliteOk)
            return refus(code);
        if (const int code = transaction.commit(); code != socle::SqliteOk)
            return refus(code);
        rapprochement::reporter(r.editions, table.fiches);
        b.tableChangee = true;
    }
    b.etat = std::move(r.etat);
    b.texte = phrase(compte.nomAgenda.isEmpty() ? o.agenda.name : compte.nomAgenda, r.n, fetes);
    return b;
}

bool garderPartage(BilanPartage& b, const Compte& compte, const Ouverture& o,
                   const std::vector<socle::FicheStockee>& table)
{
    if (!compte.partage || !*compte.partage)
        return true;
    for (const QUrl& u : o.supprimes)
        b.etat.contacts.erase(cleDe(u));
    // Written here: its entry is known now, and the event is not read back
    // as news at the next run (the entry may be changed or deleted by then).
    std::set<std::int64_t> suivies;
    for (const auto& [cle, c] : b.etat.contacts)
        suivies.insert(c.rowid);
    std::multimap<Exacte, std::int64_t> libres;
    for (const socle::FicheStockee& f : table)
        if (!f.fiche.estFete() && !suivies.count(f.rowid))
            libres.emplace(exacte(f.fiche), f.rowid);
    for (const Ouverture::Ecrit& e : o.ecrits) {
        rapprochement::Contact& c = b.etat.contacts[cleDe(e.url)];
        c.etag = e.etag;
        const echange::LectureIcalendar l = echange::lireIcalendar(e.octets);
        if (c.rowid > 0 || !l.sauvegarde || l.fiches.size() != 1 || l.fiches.front().estFete())
            continue;
        if (const auto f = libres.find(exacte(l.fiches.front())); f != libres.end()) {
            c.rowid = f->second;
            c.ecrite = l.fiches.front();
            c.deLUtilisateur = false;
            libres.erase(f);
        }
    }
    // In step with the publish's token: the next run's listing is this one's.
    b.etat.jeton = o.etat.jeton;
    b.etat.agenda = false;
    return ecrireFichierEtat(fichierEtatPartage(),
                             QJsonObject{{QStringLiteral("agenda"), compte.agenda.toString()},
                                         {QStringLiteral("carnet"), carnetEnJson(b.etat)}});
}

} // namespace synchro
