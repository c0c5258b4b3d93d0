#include "echange/proches.h"

#include "proches/appariement.h"
#include "proches/proches.h"
#include "socle/fetes.h"
#include "socle/proches.h"
#include "socle/schema.h"

#include <QFileInfo>
#include <map>

namespace echange {

int ajouterProches(socle::Database& base, const std::vector<Carte>& cartes, const QString& fichier,
                   int* nouveaux)
{
    *nouveaux = 0;
    int version = 0;
    if (const int code = socle::lireVersion(base, version); code != socle::SqliteOk)
        return code;
    if (version < 2)
        return socle::SqliteOk;
    std::vector<socle::FicheStockee> table;
    std::vector<socle::Proche> deja;
    if (const int code = socle::lireFiches(base, table); code != socle::SqliteOk)
        return code;
    if (const int code = socle::lireProches(base, deja); code != socle::SqliteOk)
        return code;
    const proches::EntreesDeNaissance entrees(table);
    std::map<std::string, socle::Proche> connus;
    for (socle::Proche& p : deja)
        connus.emplace(p.cle, std::move(p));

    const std::string nomDuFichier = QFileInfo(fichier).fileName().toStdString();
    std::vector<socle::Proche> venus;
    for (const Carte& carte : cartes) {
        if (carte.nom.isEmpty())
            continue; // passed over, and counted, by the import
        const std::string nom = carte.nom.toStdString();
        const std::string cle = carte.uid.isEmpty() ? "fichier:" + nomDuFichier + '#' + nom
                                                    : "uid:" + carte.uid.toStdString();
        const auto connu = connus.find(cle);
        socle::Proche p = connu != connus.end() ? connu->second : socle::Proche{};
        *nouveaux += connu == connus.end();
        p.cle = cle;
        p.nom = nom;
        p.prenoms = proches::prenomsDeLaCarte(nom, carte.prenom.toStdString(),
                                              carte.autresPrenoms.toStdString());
        p.source = "fichier:" + nomDuFichier;
        if (carte.naissance)
            if (const std::int64_t rowid = entrees.rowid(anniversaireDe(carte)))
                p.fiche = rowid;
        venus.push_back(std::move(p));
    }
    if (const int code = proches::ecrireDesCartes(base, std::move(venus), connus, table);
        code != socle::SqliteOk)
        return code;
    // Their days, proposed from the calendar's name days.
    return proches::suivreLeCalendrier(base);
}

} // namespace echange
