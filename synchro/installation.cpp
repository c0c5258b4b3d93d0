#include "synchro/installation.h"

#include "dav/dav.h"
#include "synchro/connexion.h"

namespace synchro {

Offre chercherOffre(const Compte& compte, const QString& motDePasse)
{
    Offre offre;
    Connexion connexion(compte, motDePasse);
    dav::Client& client = connexion.client();
    const dav::Decouverte agendas = dav::decouvrir(client, compte.adresse, dav::Sorte::Agendas);
    if (!agendas.erreur.isEmpty()) {
        offre.erreur = agendas.erreur;
        offre.empreinteRefusee = client.empreinteRefusee();
        return offre;
    }
    offre.maisonAgendas = agendas.maison;
    const dav::Collections liste = dav::collections(client, agendas.maison, dav::Sorte::Agendas);
    offre.erreurAgendas = liste.erreur;
    for (const dav::Collection& c : liste.liste)
        if (c.evenements)
            offre.agendas.push_back({c.nom, c.url});

    const dav::Decouverte carnets = dav::decouvrir(client, compte.adresse, dav::Sorte::Carnets);
    if (!carnets.erreur.isEmpty()) {
        offre.erreurCarnets = carnets.erreur;
        return offre;
    }
    const dav::Collections livres = dav::collections(client, carnets.maison, dav::Sorte::Carnets);
    offre.erreurListeCarnets = livres.erreur;
    for (const dav::Collection& c : livres.liste)
        offre.carnets.push_back({c.nom, c.url});
    return offre;
}

AgendaCree creerAgenda(const Compte& compte, const QString& motDePasse, const QUrl& maison,
                       const QString& nom)
{
    Connexion connexion(compte, motDePasse);
    const dav::Creation creation = dav::creerAgenda(connexion.client(), maison, nom);
    return {creation.url, creation.erreur};
}

Apercu apercuDuCarnet(const Compte& compte, const QString& motDePasse, const QUrl& carnet,
                      socle::Database& base)
{
    Connexion connexion(compte, motDePasse);
    return apercu(connexion, carnet, base);
}

} // namespace synchro
