#include "synchro/carnets.h"

#include "dav/dav.h"
#include "echange/echange.h"
#include "socle/raisons.h"

#include "proches/proches.h"
#include "synchro/etat.h"
#include "synchro/rapprochement/proches.h"

#include <algorithm>
#include <map>

namespace synchro {

using rapprochement::Compteurs;

namespace {

QString cleDe(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded);
}

// A card listed, its bytes not read yet; named by its file.
rapprochement::Carte carteListee(const QString& cle, const QByteArray& etag)
{
    return {cle, etag, std::nullopt, cle.section(QLatin1Char('/'), -1)};
}

struct Lecture {
    rapprochement::Releve releve;
    int ailleurs = 0; // addresses the book named outside itself, ignored
    QString erreur;
};

// The wire: what the book says since the state's token, its new and changed
// cards read.
Lecture relever(dav::Client& client, const QUrl& url, const rapprochement::EtatCarnet& etat)
{
    Lecture l;
    rapprochement::Releve& releve = l.releve;
    const std::optional<dav::Collection> carnet =
        dav::collection(client, url, dav::Kind::AddressBooks, &l.erreur);
    if (!carnet)
        return l;
    // Listed whole, once, before the book's people are kept.
    const dav::Changes ch = dav::changes(client, *carnet, etat.proches ? etat.jeton : QString());
    if (!ch.error.isEmpty()) {
        l.erreur = ch.error;
        return l;
    }
    releve.complet = ch.complete;
    releve.jeton = ch.token;
    l.ailleurs = ch.outside;
    for (const QUrl& u : ch.removed)
        releve.parties.push_back(cleDe(u));
    std::vector<QUrl> aLire;
    std::map<QString, size_t> ou;
    for (const dav::Member& o : ch.present) {
        const QString cle = cleDe(o.url);
        ou[cle] = releve.cartes.size();
        releve.cartes.push_back(carteListee(cle, o.etag));
        if (rapprochement::aLire(etat, cle, o.etag))
            aLire.push_back(o.url);
    }
    const dav::Resources lues = dav::fetch(client, carnet->url, aLire, dav::Kind::AddressBooks);
    if (!lues.error.isEmpty()) {
        l.erreur = lues.error;
        return l;
    }
    for (const dav::Resource& d : lues.items) {
        const QString cle = cleDe(d.url);
        const auto it = ou.find(cle);
        rapprochement::Carte& c = it != ou.end() ? releve.cartes[it->second]
                                                 : releve.cartes.emplace_back(carteListee(cle, {}));
        c.etag = d.etag;
        c.octets = d.data;
    }
    for (const QUrl& u : lues.missing)
        releve.parties.push_back(cleDe(u));
    l.ailleurs += lues.outside;
    // A card neither sent nor said gone is asked again next time: the token
    // stays where it was.
    releve.toutLu = lues.items.size() + lues.missing.size() >= aLire.size();
    return l;
}

QString phrase(const QString& nom, const Compteurs& n)
{
    QStringList quoi = changementsDits(n);
    if (n.presents)
        quoi << echange::compte(n.presents, QStringLiteral("déjà présent"),
                                QStringLiteral("déjà présents"));
    if (n.prochesGardes)
        quoi << echange::compte(
            n.prochesGardes,
            QStringLiteral("proche gardé (vous aviez choisi son jour ou l'aviez écarté)"),
            QStringLiteral("proches gardés (vous aviez choisi leur jour ou les aviez écartés)"));
    if (!n.illisibles.isEmpty())
        quoi << echange::compte(n.illisibles.size(), QStringLiteral("anniversaire illisible"),
                                QStringLiteral("anniversaires illisibles")) +
                    QStringLiteral(" : ") + n.illisibles.join(QStringLiteral(" ; "));
    if (quoi.isEmpty())
        return QStringLiteral("Carnet « %1 » : déjà à jour.").arg(nom);
    return QStringLiteral("Carnet « %1 » : %2.").arg(nom, quoi.join(QStringLiteral(", ")));
}

} // namespace

QStringList changementsDits(const Compteurs& n)
{
    QStringList quoi;
    if (n.ajoutes)
        quoi << echange::compte(n.ajoutes, QStringLiteral("anniversaire ajouté"),
                                QStringLiteral("anniversaires ajoutés"));
    if (n.modifies)
        quoi << echange::compte(n.modifies, QStringLiteral("modifié"), QStringLiteral("modifiés"));
    if (n.supprimes)
        quoi << echange::compte(n.supprimes, QStringLiteral("supprimé"),
                                QStringLiteral("supprimés"));
    if (n.gardes)
        quoi << echange::compte(
            n.gardes, QStringLiteral("fiche gardée telle que vous l'avez changée"),
            QStringLiteral("fiches gardées telles que vous les avez changées"), true);
    return quoi;
}

QString fichierEtatCarnets()
{
    return dossierEtat() + QStringLiteral("carnets.json");
}

QString Apercu::texte() const
{
    return QStringLiteral("%1 trouvés dans %2, dont %3")
        .arg(echange::compte(anniversaires, QStringLiteral("anniversaire"),
                             QStringLiteral("anniversaires")),
             echange::compte(contacts, QStringLiteral("contact"), QStringLiteral("contacts")),
             echange::compte(presents, QStringLiteral("déjà présent"),
                             QStringLiteral("déjà présents")));
}

Apercu apercu(Connexion& connexion, const QUrl& url, socle::Database& base)
{
    Apercu a;
    const rapprochement::EtatCarnet vierge;
    const Lecture l = relever(connexion.client(), url, vierge);
    if (!l.erreur.isEmpty()) {
        a.erreur = l.erreur;
        return a;
    }
    socle::Instantane table;
    if (const int code = socle::lireInstantane(base, table); code != socle::SqliteOk) {
        a.erreur = QStringLiteral("le calendrier ne peut pas être lu : ") +
                   QString::fromStdString(socle::raisonSqlite(code));
        return a;
    }
    const rapprochement::Rapprochement r =
        rapprochement::rapprocher(vierge, l.releve, table.fiches);
    a.contacts = r.n.contacts;
    a.anniversaires = r.n.anniversaires;
    a.presents = r.n.presents;
    return a;
}

namespace {

// The book's people, once its edits are applied: each written (the person
// its birthday entry made before is this one), the gone ones removed, and
// every day proposed again.
int enregistrerProches(socle::Database& base, const QString& url,
                       const rapprochement::Releve& releve, const rapprochement::EtatCarnet& avant,
                       const rapprochement::EtatCarnet& apres, int& gardes)
{
    std::vector<socle::Proche> existants;
    std::vector<socle::FicheStockee> table;
    if (const int code = socle::lireProches(base, existants); code != socle::SqliteOk)
        return code;
    if (const int code = socle::lireFiches(base, table); code != socle::SqliteOk)
        return code;
    const rapprochement::ProchesDuCarnet p =
        rapprochement::prochesDuCarnet(url, releve, avant, apres, existants, table);
    gardes = p.gardes;
    if (p.ecrits.empty() && p.supprimes.empty())
        return socle::SqliteOk;
    std::map<std::string, socle::Proche> connus;
    for (socle::Proche& e : existants)
        connus.emplace(e.cle, std::move(e));
    if (const int code = proches::ecrireDesCartes(base, p.ecrits, connus, table);
        code != socle::SqliteOk)
        return code;
    for (const std::string& cle : p.supprimes)
        if (const int code = socle::supprimerProche(base, cle); code != socle::SqliteOk)
            return code;
    return proches::suivreLeCalendrier(base);
}

// The rule's edits in one transaction, on the table as it is now: read again
// first when another program changed it since; the book's people beside.
QString enregistrer(socle::Database& base, const QString& url,
                    const rapprochement::EtatCarnet& avant, const rapprochement::Releve& releve,
                    rapprochement::Rapprochement& r, socle::Instantane& table, int& prochesGardes)
{
    const auto refus = [](int code) {
        return QStringLiteral("le calendrier ne peut pas être modifié : ") +
               QString::fromStdString(socle::raisonSqlite(code));
    };
    // Nothing new, for the table or the people: the file is not even locked.
    if (r.editions.empty()) {
        std::vector<socle::Proche> existants;
        if (const int code = socle::lireProches(base, existants); code != socle::SqliteOk)
            return refus(code);
        const rapprochement::ProchesDuCarnet p =
            rapprochement::prochesDuCarnet(url, releve, avant, r.etat, existants, table.fiches);
        prochesGardes = p.gardes;
        if (p.ecrits.empty() && p.supprimes.empty())
            return {};
    }
    socle::Transaction transaction(base);
    if (!transaction.isOpen())
        return refus(transaction.code());
    if (!socle::estAJour(base, table)) {
        if (const int code = socle::lireInstantane(base, table); code != socle::SqliteOk)
            return refus(code);
        r = rapprochement::rapprocher(avant, releve, table.fiches);
    }
    if (const int code = rapprochement::appliquer(base, r); code != socle::SqliteOk)
        return refus(code);
    if (const int code = enregistrerProches(base, url, releve, avant, r.etat, prochesGardes);
        code != socle::SqliteOk)
        return refus(code);
    if (const int code = transaction.commit(); code != socle::SqliteOk)
        return refus(code);
    rapprochement::reporter(r.editions, table.fiches);
    return {};
}

// The book's people are in the table: it was followed before.
bool suiviAvant(socle::Database& base, const QString& url)
{
    std::vector<socle::Proche> existants;
    socle::lireProches(base, existants);
    const std::string source = rapprochement::sourceDuCarnet(url);
    return std::any_of(existants.begin(), existants.end(),
                       [&source](const socle::Proche& p) { return p.source == source; });
}

} // namespace

BilanCarnets suivreCarnets(Connexion& connexion, const Compte& compte, socle::Database& base,
                           socle::Instantane& table)
{
    BilanCarnets bilan;
    const EtatCarnets avant = lireEtatCarnets();
    EtatCarnets etat;
    QStringList phrases;
    for (qsizetype i = 0; i < compte.carnets.size(); ++i) {
        const QString url = compte.carnets[i].toString();
        const QString nom = compte.nomsCarnets.value(i, url);
        const auto connu = avant.find(url);
        rapprochement::EtatCarnet carnet =
            connu != avant.end() ? connu->second : rapprochement::EtatCarnet{};
        if (connu == avant.end())
            carnet.perdu = suiviAvant(base, url);
        const Lecture l = relever(connexion.client(), compte.carnets[i], carnet);
        rapprochement::Rapprochement r;
        QString erreur = l.erreur;
        if (erreur.isEmpty()) {
            r = rapprochement::rapprocher(carnet, l.releve, table.fiches);
            erreur = enregistrer(base, url, carnet, l.releve, r, table, r.n.prochesGardes);
        }
        if (!erreur.isEmpty()) {
            bilan.reussi = false;
            phrases << QStringLiteral("Le carnet « %1 » n'a pas pu être lu : %2.").arg(nom, erreur);
            if (connu != avant.end())
                etat[url] = connu->second; // as it was
            continue;
        }
        bilan.tableChangee = bilan.tableChangee || r.n.changements();
        phrases << phrase(nom, r.n) + horsDeLaCollection(l.ailleurs, QStringLiteral("du carnet"));
        etat[url] = std::move(r.etat);
        // Recorded after each book: what the table holds now.
        if (r.etatChange && !ecrireEtatCarnets(etat)) {
            bilan.reussi = false;
            phrases << QStringLiteral("L'état des carnets ne peut pas être écrit (%1).")
                           .arg(fichierEtatCarnets());
            break;
        }
    }
    // A book no longer followed leaves its entries to the user.
    if (bilan.reussi && etat.size() != avant.size() && !ecrireEtatCarnets(etat)) {
        bilan.reussi = false;
        phrases << QStringLiteral("L'état des carnets ne peut pas être écrit (%1).")
                       .arg(fichierEtatCarnets());
    }
    for (const auto& [url, carnet] : etat)
        for (const auto& [cle, c] : carnet.contacts)
            if (c.rowid > 0)
                bilan.ecrites.emplace(c.rowid, c.ecrite);
    bilan.texte = phrases.join(QLatin1Char('\n'));
    return bilan;
}

} // namespace synchro
