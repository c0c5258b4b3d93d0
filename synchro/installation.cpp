#include "synchro/installation.h"

#include "dav/dav.h"
#include "synchro/synchro.h"

namespace synchro {

Offre chercherOffre(const Compte& compte, const QString& motDePasse)
{
    Offre offre;
    dav::Client client(identiteDe(compte, motDePasse));
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
    dav::Client client(identiteDe(compte, motDePasse));
    const dav::Creation creation = dav::creerAgenda(client, maison, nom);
    return {creation.url, creation.erreur};
}

Apercu apercuDuCarnet(const Compte& compte, const QString& motDePasse, const QUrl& carnet,
                      socle::Database& base)
{
    dav::Client client(identiteDe(compte, motDePasse));
    return apercu(client, carnet, base);
}

} // namespace synchro
