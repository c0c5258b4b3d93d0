#include "synchro/installation.h"

#include "dav/dav.h"
#include "synchro/connexion.h"

namespace synchro {

Offre chercherOffre(const Compte& compte, const QString& motDePasse)
{
    Offre offre;
    Connexion connexion(compte, motDePasse);
    dav::Client& client = connexion.client();
    const dav::Discovery agendas = dav::discover(client, compte.adresse, dav::Kind::Calendars);
    if (!agendas.error.isEmpty()) {
        offre.erreur = agendas.error;
        offre.empreinteRefusee = client.refusedFingerprint();
        return offre;
    }
    offre.maisonAgendas = agendas.home;
    const dav::Collections liste = dav::collections(client, agendas.home, dav::Kind::Calendars);
    offre.erreurAgendas = liste.error;
    for (const dav::Collection& c : liste.items)
        if (c.takesEvents)
            offre.agendas.push_back({c.name, c.url});

    const dav::Discovery carnets = dav::discover(client, compte.adresse, dav::Kind::AddressBooks);
    if (!carnets.error.isEmpty()) {
        offre.erreurCarnets = carnets.error;
        return offre;
    }
    const dav::Collections livres = dav::collections(client, carnets.home, dav::Kind::AddressBooks);
    offre.erreurListeCarnets = livres.error;
    for (const dav::Collection& c : livres.items)
        offre.carnets.push_back({c.name, c.url});
    return offre;
}

AgendaCree creerAgenda(const Compte& compte, const QString& motDePasse, const QUrl& maison,
                       const QString& nom)
{
    Connexion connexion(compte, motDePasse);
    const dav::Created creation = dav::makeCalendar(connexion.client(), maison, nom);
    return {creation.url, creation.error};
}

Apercu apercuDuCarnet(const Compte& compte, const QString& motDePasse, const QUrl& carnet,
                      socle::Database& base)
{
    Connexion connexion(compte, motDePasse);
    return apercu(connexion, carnet, base);
}

} // namespace synchro
