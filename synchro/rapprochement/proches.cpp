#include "synchro/rapprochement/proches.h"

#include "echange/vcard.h"
#include "proches/appariement.h"
#include "proches/proches.h"

#include <map>
#include <set>

namespace rapprochement {

std::string sourceDuCarnet(const QString& carnet)
{
    return "carnet:" + carnet.toStdString();
}

ProchesDuCarnet prochesDuCarnet(const QString& carnet, const Releve& releve,
                                const EtatCarnet& avant, const EtatCarnet& apres,
                                const std::vector<socle::Proche>& existants,
                                const std::vector<socle::FicheStockee>& table)
{
    // A card's birthday the user typed first is that entry.
    const proches::EntreesDeNaissance entrees(table);
    ProchesDuCarnet r;
    const std::string source = sourceDuCarnet(carnet);
    const std::string prefixe = source + '#';
    std::map<std::string, const socle::Proche*> miens;
    for (const socle::Proche& p : existants)
        if (p.cle.rfind(prefixe, 0) == 0)
            miens.emplace(p.cle, &p);

    std::set<std::string> partis;
    for (const QString& cle : releve.parties)
        partis.insert(prefixe + cle.toStdString());
    std::set<std::string> listes;
    for (const Carte& c : releve.cartes)
        listes.insert(prefixe + c.cle.toStdString());
    if (releve.complet)
        for (const auto& [cle, p] : miens)
            if (!listes.count(cle))
                partis.insert(cle);

    for (const Carte& c : releve.cartes) {
        if (!c.octets)
            continue; // unchanged since it was read
        const std::string cle = prefixe + c.cle.toStdString();
        const echange::LectureVcard lue = echange::lireVcard(*c.octets);
        if (!lue.erreur.isEmpty() || lue.cartes.empty())
            continue; // unreadable: its person, if any, stays as it was
        const echange::Carte& v = lue.cartes.front();
        if (v.nom.isEmpty()) {
            partis.insert(cle); // no name: no one to wish
            continue;
        }
        const auto connu = miens.find(cle);
        socle::Proche p = connu != miens.end() ? *connu->second : socle::Proche{};
        p.cle = cle;
        p.nom = v.nom.toStdString();
        p.prenoms =
            proches::prenomsDeLaCarte(p.nom, v.prenom.toStdString(), v.autresPrenoms.toStdString());
        p.source = source;
        const auto contact = apres.contacts.find(c.cle);
        p.fiche = contact != apres.contacts.end() ? contact->second.rowid : 0;
        if (p.fiche == 0 && v.naissance)
            p.fiche = entrees.rowid(echange::anniversaireDe(v));
        if (connu == miens.end() || *connu->second != p)
            r.ecrits.push_back(std::move(p));
    }
    for (const std::string& cle : partis) {
        const auto connu = miens.find(cle);
        if (connu == miens.end())
            continue;
        if (connu->second->jourChoisi || !connu->second->souhaiter)
            r.gardes += avant.contacts.count(QString::fromStdString(cle.substr(prefixe.size())));
        else
            r.supprimes.push_back(cle);
    }
    return r;
}

} // namespace rapprochement
