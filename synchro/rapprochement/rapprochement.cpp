#include "synchro/rapprochement/rapprochement.h"

#include "echange/vcard.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

namespace rapprochement {

namespace {

// The name of a card the reader refused, to say which one it is.
QString nomDeLaCarte(const QByteArray& octets, const QString& repli)
{
    static const QRegularExpression fn(QStringLiteral("^FN(?:;[^:\\r\\n]*)?:([^\\r\\n]*)"),
                                       QRegularExpression::MultilineOption |
                                           QRegularExpression::CaseInsensitiveOption);
    const QString texte = QString::fromUtf8(octets.left(64 * 1024));
    const QString nom = fn.match(texte).captured(1).trimmed().left(100);
    return nom.isEmpty() ? repli : nom;
}

} // namespace

bool aLire(const EtatCarnet& etat, const QString& cle, const QByteArray& etag)
{
    const auto connu = etat.contacts.find(cle);
    return !etat.proches || connu == etat.contacts.end() || connu->second.etag.isEmpty() ||
           connu->second.etag != etag;
}

Rapprochement rapprocher(const EtatCarnet& avant, const Releve& releve,
                         const std::vector<socle::FicheStockee>& table)
{
    Rapprochement r;
    r.etat = avant;
    EtatCarnet& etat = r.etat;
    Compteurs& n = r.n;

    // Gone: said so, or missing from a complete listing.
    std::set<QString> partis(releve.parties.begin(), releve.parties.end());
    std::set<QString> listes;
    std::vector<const Carte*> lues;
    for (const Carte& c : releve.cartes) {
        listes.insert(c.cle);
        if (c.octets)
            lues.push_back(&c);
    }
    for (const QString& cle : listes)
        partis.erase(cle);
    if (releve.complet)
        for (const auto& [cle, contact] : etat.contacts)
            if (!listes.count(cle))
                partis.insert(cle);
    const auto avancer = [&] {
        if (releve.toutLu) {
            etat.jeton = releve.jeton;
            etat.proches = etat.proches || releve.complet;
        }
    };

    // Nothing new: the table is not even looked at.
    if (partis.empty() && lues.empty() && releve.toutLu) {
        r.etatChange = releve.jeton != etat.jeton || (releve.complet && !etat.proches);
        avancer();
        return r;
    }

    // The table as the edits leave it, for the rule and the duplicates.
    std::unordered_map<std::int64_t, socle::Fiche> lignes;
    for (const socle::FicheStockee& f : table)
        lignes.emplace(f.rowid, f.fiche);
    const auto intacte = [&lignes](const Contact& c) {
        const auto it = lignes.find(c.rowid);
        return it != lignes.end() && it->second == c.ecrite;
    };

    // Another card of the book, still there, that found this entry's
    // birthday already when it came.
    const auto autreCarte = [&](const Contact& c) -> Contact* {
        for (auto& [cle, k] : etat.contacts)
            if (&k != &c && !partis.count(cle) && k.rowid == 0 && k.deLUtilisateur &&
                !k.dejaLa.nom.empty() && k.dejaLa == c.ecrite)
                return &k;
        return nullptr;
    };
    // The entry of a contact whose birthday is gone: removed while it holds
    // what Tarvelon wrote, unless another card of the book still explains
    // it (that card follows it from now on); else the user's, kept.
    const auto retirer = [&](Contact& c) {
        if (c.rowid > 0 && etat.agenda && !lignes.count(c.rowid)) {
            // Deleted here already (this installation deleted its event).
        } else if (c.rowid > 0) {
            if (Contact* k = intacte(c) ? autreCarte(c) : nullptr) {
                k->rowid = c.rowid;
                k->ecrite = c.ecrite;
                k->deLUtilisateur = false;
                k->dejaLa = {};
            } else if (intacte(c)) {
                r.editions.push_back({Edition::Sorte::Suppression, c.rowid, {}, {}});
                lignes.erase(c.rowid);
                ++n.supprimes;
            } else {
                ++n.gardes;
            }
        }
        c.rowid = 0;
        c.deLUtilisateur = false;
    };
    for (const QString& cle : partis) {
        const auto it = etat.contacts.find(cle);
        if (it == etat.contacts.end())
            continue;
        retirer(it->second);
        etat.contacts.erase(it);
    }

    std::vector<socle::Fiche> nouvelles;
    std::vector<QString> deQui;
    // A card's birthday as it says it now.
    const auto suivre = [&](Contact& c, socle::Fiche voulue, const QString& cle) {
        if (c.rowid > 0) {
            if (voulue == c.ecrite)
                return;
            const auto ligne = lignes.find(c.rowid);
            if (ligne != lignes.end() && ligne->second == voulue) {
                c.ecrite = std::move(voulue); // the table says it already
                return;
            }
            if (!intacte(c)) {
                ++n.gardes; // changed by the user: theirs from now on
                c.rowid = 0;
                c.deLUtilisateur = true;
                return;
            }
            ligne->second = voulue;
            r.editions.push_back({Edition::Sorte::Modification, c.rowid, voulue, {}});
            c.ecrite = std::move(voulue);
            ++n.modifies;
        } else if (!c.deLUtilisateur) {
            nouvelles.push_back(std::move(voulue));
            deQui.push_back(cle);
        } else if (!c.dejaLa.nom.empty()) {
            c.dejaLa = std::move(voulue); // what it says now
        }
    };
    for (const Carte* lue : lues) {
        Contact& c = etat.contacts[lue->cle];
        c.etag = lue->etag;
        ++n.contacts;
        if (lue->evenement) {
            if (!lue->fiche) {
                retirer(c);
                continue;
            }
            ++n.anniversaires;
            suivre(c, *lue->fiche, lue->cle);
            continue;
        }
        const echange::LectureVcard lecture = echange::lireVcard(*lue->octets);
        if (!lecture.erreur.isEmpty()) {
            // Counted and named; its entry, if any, stays as it is.
            // Named when read, not at every run after.
            c.illisible =
                QStringLiteral("%1 (%2)").arg(nomDeLaCarte(*lue->octets, lue->nom), lecture.erreur);
            n.illisibles << c.illisible;
            continue;
        }
        c.illisible.clear();
        const echange::Carte* carte = lecture.cartes.empty() ? nullptr : &lecture.cartes.front();
        if (!carte || !carte->naissance || carte->nom.isEmpty()) {
            retirer(c);
            continue;
        }
        ++n.anniversaires;
        suivre(c, echange::anniversaireDe(*carte), lue->cle);
    }

    // New birthdays, unless the table has them already.
    std::vector<socle::FicheStockee> restantes;
    restantes.reserve(lignes.size());
    for (const socle::FicheStockee& f : table)
        if (const auto it = lignes.find(f.rowid); it != lignes.end())
            restantes.push_back({f.rowid, it->second});
    const std::vector<bool> la = socle::dejaPresentes(restantes, nouvelles);
    // A lost state: the entries as Tarvelon writes them that no card follows.
    // The shared calendar: any entry holding exactly what the event holds.
    std::multimap<std::tuple<std::string, std::string, std::string, std::string>, std::int64_t>
        sansCarte;
    if (etat.perdu || etat.agenda) {
        std::set<std::int64_t> suivies;
        for (const auto& [cle, c] : etat.contacts)
            suivies.insert(c.rowid);
        for (const socle::FicheStockee& f : restantes)
            if ((etat.agenda || f.fiche.mf == " ") && !suivies.count(f.rowid))
                sansCarte.emplace(std::tuple{f.fiche.nom, f.fiche.date, f.fiche.annee, f.fiche.mf},
                                  f.rowid);
    }
    for (size_t i = 0; i < nouvelles.size(); ++i) {
        const auto exacte = sansCarte.find(
            std::tuple{nouvelles[i].nom, nouvelles[i].date, nouvelles[i].annee, nouvelles[i].mf});
        if (la[i] && exacte != sansCarte.end()) {
            Contact& c = etat.contacts[deQui[i]];
            c.rowid = exacte->second;
            c.ecrite = nouvelles[i];
            sansCarte.erase(exacte);
            ++n.presents;
        } else if (la[i]) {
            Contact& c = etat.contacts[deQui[i]];
            c.deLUtilisateur = true; // typed by the user already, or another card's
            c.dejaLa = nouvelles[i];
            ++n.presents;
        } else {
            r.editions.push_back({Edition::Sorte::Ajout, 0, nouvelles[i], deQui[i]});
            ++n.ajoutes;
        }
    }
    avancer();
    return r;
}

int appliquer(socle::Database& base, Rapprochement& r)
{
    if (r.editions.empty())
        return socle::SqliteOk;
    socle::Transaction transaction(base);
    if (!transaction.isOpen())
        return transaction.code();
    for (Edition& e : r.editions) {
        bool trouvee = false;
        const int code =
            e.sorte == Edition::Sorte::Suppression ? socle::supprimerFiche(base, e.rowid)
            : e.sorte == Edition::Sorte::Modification
                ? socle::modifierFiche(base, e.rowid, e.fiche, {true, true, true, true}, trouvee)
                : socle::ajouterFiche(base, e.fiche, e.rowid);
        if (code != socle::SqliteOk)
            return code;
    }
    if (const int code = transaction.commit(); code != socle::SqliteOk)
        return code;
    for (const Edition& e : r.editions)
        if (e.sorte == Edition::Sorte::Ajout && !e.cle.isEmpty()) {
            Contact& c = r.etat.contacts[e.cle];
            c.rowid = e.rowid;
            c.ecrite = e.fiche;
        }
    return socle::SqliteOk;
}

void reporter(const std::vector<Edition>& editions, std::vector<socle::FicheStockee>& table)
{
    // Rows are in rowid order, and added ones come last.
    const auto ligne = [&table](std::int64_t rowid) {
        const auto it = std::lower_bound(
            table.begin(), table.end(), rowid,
            [](const socle::FicheStockee& f, std::int64_t r) { return f.rowid < r; });
        return it != table.end() && it->rowid == rowid ? it : table.end();
    };
    for (const Edition& e : editions) {
        if (e.sorte == Edition::Sorte::Ajout) {
            table.push_back({e.rowid, e.fiche});
            continue;
        }
        const auto it = ligne(e.rowid);
        if (it == table.end())
            continue;
        if (e.sorte == Edition::Sorte::Suppression) {
            table.erase(it);
        } else {
            it->fiche.nom = e.fiche.nom;
            it->fiche.date = e.fiche.date;
            it->fiche.annee = e.fiche.annee;
            it->fiche.mf = e.fiche.mf;
        }
    }
}

} // namespace rapprochement
