#include "proches/proches.h"

#include "proches/appariement.h"
#include "socle/fetes.h"
#include "socle/jours.h"
#include "socle/texte.h"

#include <set>
#include <unordered_map>

namespace proches {

namespace {

std::string cleDeLaFiche(std::int64_t rowid)
{
    return "fiche:" + std::to_string(rowid);
}

// The proposed day of given names: the first candidate, none without one.
void proposer(socle::Proche& p, const NomsDuCalendrier& noms)
{
    const std::vector<Candidat> c = candidats(noms, p.prenoms);
    p.jour = c.empty() ? std::string() : c.front().jour;
    p.fete = c.empty() ? std::string() : c.front().fete;
}

} // namespace

int suivreLeCalendrier(socle::Database& base, Bilan* bilan)
{
    Bilan b;
    socle::Transaction transaction(base);
    if (transaction.code() != socle::SqliteOk)
        return transaction.code();
    std::vector<socle::FicheStockee> table;
    std::vector<socle::Proche> proches;
    if (const int code = socle::lireFiches(base, table); code != socle::SqliteOk)
        return code;
    if (const int code = socle::lireProches(base, proches); code != socle::SqliteOk)
        return code;
    const NomsDuCalendrier noms(table);
    std::unordered_map<std::int64_t, const socle::Fiche*> anniversaires;
    for (const socle::FicheStockee& f : table)
        if (!f.fiche.estFete())
            anniversaires.emplace(f.rowid, &f.fiche);

    std::set<std::int64_t> pris;
    std::vector<socle::Proche> aEcrire;
    for (const socle::Proche& p : proches) {
        socle::Proche voulu = p;
        const auto entree = anniversaires.find(p.fiche);
        if (p.fiche != 0 && entree == anniversaires.end()) {
            // Its entry is gone: so is the person, unless the user chose.
            if (p.source == socle::SourceCalendrier && !p.jourChoisi && p.souhaiter) {
                if (const int code = socle::supprimerProche(base, p.cle); code != socle::SqliteOk)
                    return code;
                ++b.retires;
                continue;
            }
            voulu.fiche = 0;
            b.gardes += p.source == socle::SourceCalendrier;
        } else if (p.fiche != 0) {
            pris.insert(p.fiche);
            if (p.source == socle::SourceCalendrier) {
                voulu.nom = std::string(socle::trimmed(entree->second->nom));
                voulu.prenoms = premierPrenom(voulu.nom);
            }
        }
        if (!voulu.jourChoisi)
            proposer(voulu, noms);
        if (voulu != p) {
            aEcrire.push_back(std::move(voulu));
            ++b.modifies;
        }
    }
    for (const socle::FicheStockee& f : table) {
        if (f.fiche.estFete() || pris.count(f.rowid))
            continue;
        socle::Proche p;
        p.cle = cleDeLaFiche(f.rowid);
        p.nom = std::string(socle::trimmed(f.fiche.nom));
        p.prenoms = premierPrenom(p.nom);
        p.source = socle::SourceCalendrier;
        p.fiche = f.rowid;
        proposer(p, noms);
        aEcrire.push_back(std::move(p));
        ++b.ajoutes;
    }
    if (const int code = socle::ecrireProches(base, aEcrire); code != socle::SqliteOk)
        return code;
    if (const int code = transaction.commit(); code != socle::SqliteOk)
        return code;
    if (bilan)
        *bilan = b;
    return socle::SqliteOk;
}

namespace {

std::string cleDeNaissance(const socle::Fiche& f)
{
    return std::string(socle::trimmed(f.nom)) + '\n' + f.date + '\n' + f.annee;
}

} // namespace

EntreesDeNaissance::EntreesDeNaissance(const std::vector<socle::FicheStockee>& table)
{
    for (const socle::FicheStockee& f : table)
        if (!f.fiche.estFete())
            m_rowids.emplace(cleDeNaissance(f.fiche), f.rowid);
}

std::int64_t EntreesDeNaissance::rowid(const socle::Fiche& naissance) const
{
    const auto it = m_rowids.find(cleDeNaissance(naissance));
    return it == m_rowids.end() ? 0 : it->second;
}

int ecrireDesCartes(socle::Database& base, std::vector<socle::Proche> cartes,
                    std::map<std::string, socle::Proche>& connus,
                    const std::vector<socle::FicheStockee>& table)
{
    const NomsDuCalendrier noms(table);
    for (socle::Proche& p : cartes) {
        const bool nouveau = !connus.count(p.cle);
        if (p.fiche != 0) {
            const auto parEntree = connus.find(cleDeLaFiche(p.fiche));
            if (parEntree != connus.end() && parEntree->second.source == socle::SourceCalendrier) {
                if (nouveau) {
                    p.jourChoisi = parEntree->second.jourChoisi;
                    p.jour = parEntree->second.jour;
                    p.fete = parEntree->second.fete;
                    p.souhaiter = parEntree->second.souhaiter;
                }
                if (const int code = socle::supprimerProche(base, parEntree->first);
                    code != socle::SqliteOk)
                    return code;
                connus.erase(parEntree);
            }
        }
        if (!p.jourChoisi)
            proposer(p, noms);
        connus[p.cle] = p;
    }
    return socle::ecrireProches(base, cartes);
}

bool choisir(socle::Proche& proche, const std::string& jour, bool souhaiter,
             const std::vector<socle::FicheStockee>& table)
{
    if (!jour.empty() && !socle::lireCleDuJour(jour))
        return false;
    proche.souhaiter = souhaiter;
    proche.jourChoisi = !jour.empty();
    const NomsDuCalendrier noms(table);
    if (jour.empty()) {
        proposer(proche, noms);
        return true;
    }
    proche.jour = jour;
    proche.fete.clear();
    for (const Candidat& c : candidats(noms, proche.prenoms))
        if (c.jour == jour)
            proche.fete = c.fete;
    return true;
}

} // namespace proches
