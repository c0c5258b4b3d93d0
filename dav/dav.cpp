#include "dav/dav.h"

#include <QRegularExpression>
#include <QUuid>

namespace dav {

namespace {

const QByteArray Xml = "application/xml; charset=utf-8";

Entetes avecProfondeur(const char* profondeur)
{
    return {{"Content-Type", Xml}, {"Depth", profondeur}};
}

QByteArray propfind(const QByteArray& proprietes)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\" "
           "xmlns:a=\"urn:ietf:params:xml:ns:carddav\" "
           "xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop>" +
           proprietes + "</d:prop></d:propfind>";
}

// A multistatus answer, or the reason there is none.
std::optional<Multistatus> multistatus(const Reponse& r, QString& erreur)
{
    if (r.statut != 207) {
        erreur = raison(r);
        return std::nullopt;
    }
    std::optional<Multistatus> m = lireMultistatus(r.corps, r.url);
    if (!m)
        erreur = QStringLiteral("le serveur a répondu un XML illisible");
    return m;
}

// The href a property holds (current-user-principal, the home sets).
std::optional<QUrl> hrefDe(const Membre& m, const QString& ns, const QString& nom, const QUrl& base)
{
    const Element* p = m.propriete(ns, nom);
    const Element* href = p ? p->enfant(NsDav, QStringLiteral("href")) : nullptr;
    if (!href || href->texte.isEmpty())
        return std::nullopt;
    return base.resolved(QUrl(href->texte));
}

std::optional<QUrl> principal(Client& client, const QUrl& url, QString& erreur)
{
    const Reponse r = client.requete("PROPFIND", url, propfind("<d:current-user-principal/>"),
                                     avecProfondeur("0"));
    const std::optional<Multistatus> m = multistatus(r, erreur);
    if (!m)
        return std::nullopt;
    for (const Membre& membre : m->membres)
        if (auto p = hrefDe(membre, NsDav, QStringLiteral("current-user-principal"), r.url))
            return p;
    erreur = QStringLiteral("le serveur ne dit pas où est votre compte (current-user-principal)");
    return std::nullopt;
}

QString slug(const QString& nom)
{
    QString s = nom.normalized(QString::NormalizationForm_D).toLower();
    s.remove(QRegularExpression(QStringLiteral("[^a-z0-9 -]")));
    s = s.simplified().replace(QLatin1Char(' '), QLatin1Char('-'));
    return s.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : s;
}

} // namespace

QUrl adresseDeDepart(const QString& adresse)
{
    const QString a = adresse.trimmed();
    if (a.contains(QStringLiteral("://")))
        return QUrl(a);
    if (const qsizetype arobase = a.lastIndexOf(QLatin1Char('@')); arobase >= 0)
        return QUrl(QStringLiteral("https://") + a.mid(arobase + 1) + QLatin1Char('/'));
    return QUrl(QStringLiteral("https://") + a + (a.contains(QLatin1Char('/')) ? "" : "/"));
}

Decouverte decouvrir(Client& client, const QString& adresse, Sorte sorte)
{
    Decouverte d;
    const QUrl depart = adresseDeDepart(adresse);
    if (!depart.isValid() || depart.host().isEmpty()) {
        d.erreur = QStringLiteral("« %1 » n'est pas l'adresse d'un serveur").arg(adresse);
        return d;
    }
    // The address as given, then the server's well-known place.
    QString erreur;
    std::optional<QUrl> p = principal(client, depart, erreur);
    if (!p) {
        const QString premiere = erreur;
        p = principal(
            client,
            depart.resolved(QUrl(sorte == Sorte::Agendas ? QStringLiteral("/.well-known/caldav")
                                                         : QStringLiteral("/.well-known/carddav"))),
            erreur);
        if (!p) {
            d.erreur = premiere;
            return d;
        }
    }
    d.principal = *p;
    const bool agendas = sorte == Sorte::Agendas;
    const Reponse r = client.requete(
        "PROPFIND", *p, propfind(agendas ? "<c:calendar-home-set/>" : "<a:addressbook-home-set/>"),
        avecProfondeur("0"));
    const std::optional<Multistatus> m = multistatus(r, erreur);
    if (!m) {
        d.erreur = erreur;
        return d;
    }
    for (const Membre& membre : m->membres)
        if (auto maison = hrefDe(membre, agendas ? NsCaldav : NsCarddav,
                                 agendas ? QStringLiteral("calendar-home-set")
                                         : QStringLiteral("addressbook-home-set"),
                                 r.url))
            d.maison = *maison;
    if (d.maison.isEmpty())
        d.erreur = agendas ? QStringLiteral("ce compte n'a pas d'agendas (calendar-home-set)")
                           : QStringLiteral("ce compte n'a pas de carnets d'adresses "
                                            "(addressbook-home-set)");
    return d;
}

namespace {

Collections lister(Client& client, const QUrl& url, Sorte sorte, const char* profondeur)
{
    Collections c;
    const Reponse r = client.requete(
        "PROPFIND", url,
        propfind("<d:resourcetype/><d:displayname/><d:sync-token/><d:supported-report-set/>"
                 "<c:supported-calendar-component-set/>"),
        avecProfondeur(profondeur));
    const std::optional<Multistatus> m = multistatus(r, c.erreur);
    if (!m)
        return c;
    for (const Membre& membre : m->membres) {
        const Element* type = membre.propriete(NsDav, QStringLiteral("resourcetype"));
        const bool voulu = type && (sorte == Sorte::Agendas
                                        ? type->enfant(NsCaldav, QStringLiteral("calendar"))
                                        : type->enfant(NsCarddav, QStringLiteral("addressbook")));
        if (!voulu)
            continue;
        Collection col;
        col.url = membre.url;
        const Element* nom = membre.propriete(NsDav, QStringLiteral("displayname"));
        col.nom = nom && !nom->texte.isEmpty()
                      ? nom->texte
                      : membre.url.path(QUrl::FullyDecoded).section(QLatin1Char('/'), -2, -2);
        if (const Element* comps =
                membre.propriete(NsCaldav, QStringLiteral("supported-calendar-component-set"))) {
            col.evenements = false;
            for (const Element* comp : comps->tous(NsCaldav, QStringLiteral("comp")))
                col.evenements = col.evenements ||
                                 comp->attribut(QStringLiteral("name")) == QLatin1String("VEVENT");
        }
        col.jetons = membre.propriete(NsDav, QStringLiteral("sync-token")) != nullptr;
        if (const Element* rapports =
                membre.propriete(NsDav, QStringLiteral("supported-report-set")))
            for (const Element* s : rapports->tous(NsDav, QStringLiteral("supported-report")))
                if (const Element* rep = s->enfant(NsDav, QStringLiteral("report")))
                    col.jetons =
                        col.jetons || rep->enfant(NsDav, QStringLiteral("sync-collection"));
        c.liste.push_back(std::move(col));
    }
    return c;
}

} // namespace

Collections collections(Client& client, const QUrl& maison, Sorte sorte)
{
    return lister(client, maison, sorte, "1");
}

std::optional<Collection> collection(Client& client, const QUrl& url, Sorte sorte, QString* erreur)
{
    Collections c = lister(client, url, sorte, "0");
    *erreur = c.erreur;
    for (Collection& col : c.liste)
        if (memeRessource(col.url, url))
            return std::move(col);
    if (erreur->isEmpty())
        *erreur = sorte == Sorte::Agendas
                      ? QStringLiteral("%1 n'est pas un agenda").arg(url.toString())
                      : QStringLiteral("%1 n'est pas un carnet d'adresses").arg(url.toString());
    return std::nullopt;
}

Creation creerAgenda(Client& client, const QUrl& maison, const QString& nom)
{
    Creation c;
    const QByteArray corps =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<c:mkcalendar xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:set><d:prop>"
        "<d:displayname>" +
        echapperXml(nom) +
        "</d:displayname><c:supported-calendar-component-set><c:comp name=\"VEVENT\"/>"
        "</c:supported-calendar-component-set></d:prop></d:set></c:mkcalendar>";
    QUrl base = maison;
    if (!base.path().endsWith(QLatin1Char('/')))
        base.setPath(base.path() + QLatin1Char('/'));
    for (int essai = 1; essai <= 3; ++essai) {
        const QString nomDeChemin = slug(nom) + (essai > 1 ? QStringLiteral("-%1").arg(essai) : "");
        const QUrl url = base.resolved(QUrl(nomDeChemin + QLatin1Char('/')));
        const Reponse r = client.requete("MKCALENDAR", url, corps, {{"Content-Type", Xml}});
        if (r.statut == 201 || r.statut == 200) {
            c.url = url;
            return c;
        }
        if (r.statut != 405 && r.statut != 409) { // 405: that name is taken
            c.erreur = raison(r);
            return c;
        }
    }
    c.erreur = QStringLiteral("le serveur refuse de créer l'agenda");
    return c;
}

Changements changements(Client& client, const Collection& collection, const QString& jeton)
{
    Changements ch;
    if (!collection.jetons) {
        const Reponse r = client.requete("PROPFIND", collection.url, propfind("<d:getetag/>"),
                                         avecProfondeur("1"));
        const std::optional<Multistatus> m = multistatus(r, ch.erreur);
        if (!m)
            return ch;
        ch.complet = true;
        for (const Membre& membre : m->membres)
            if (!memeRessource(membre.url, collection.url))
                if (const Element* e = membre.propriete(NsDav, QStringLiteral("getetag")))
                    ch.presents.push_back({membre.url, e->texte.toUtf8()});
        return ch;
    }
    const auto rapport = [&](const QString& depuis) {
        return client.requete(
            "REPORT", collection.url,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\">"
            "<d:sync-token>" +
                echapperXml(depuis) +
                "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                "</d:sync-collection>",
            avecProfondeur("0"));
    };
    Reponse r = rapport(jeton);
    // A token the server no longer knows: everything again, from none.
    if (!jeton.isEmpty() && (r.statut == 403 || r.statut == 409 || r.statut == 400) &&
        r.corps.contains("valid-sync-token")) {
        ch.jetonInconnu = true;
        r = rapport(QString());
    }
    const std::optional<Multistatus> m = multistatus(r, ch.erreur);
    if (!m)
        return ch;
    ch.complet = jeton.isEmpty() || ch.jetonInconnu;
    ch.jeton = m->jeton;
    for (const Membre& membre : m->membres) {
        if (memeRessource(membre.url, collection.url))
            continue;
        if (membre.statut == 404) {
            ch.supprimes.push_back(membre.url);
            continue;
        }
        if (const Element* e = membre.propriete(NsDav, QStringLiteral("getetag")))
            ch.presents.push_back({membre.url, e->texte.toUtf8()});
    }
    return ch;
}

Donnees recuperer(Client& client, const QUrl& collection, const std::vector<QUrl>& membres,
                  Sorte sorte)
{
    Donnees d;
    const bool agendas = sorte == Sorte::Agendas;
    for (size_t debut = 0; debut < membres.size(); debut += 100) {
        QByteArray hrefs;
        for (size_t i = debut; i < std::min(membres.size(), debut + 100); ++i)
            hrefs += "<d:href>" + echapperXml(membres[i].path(QUrl::FullyEncoded)) + "</d:href>";
        const QByteArray corps =
            agendas ? "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:calendar-multiget "
                      "xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop>"
                      "<d:getetag/><c:calendar-data/></d:prop>" +
                          hrefs + "</c:calendar-multiget>"
                    : "<?xml version=\"1.0\" encoding=\"utf-8\"?><a:addressbook-multiget "
                      "xmlns:d=\"DAV:\" xmlns:a=\"urn:ietf:params:xml:ns:carddav\"><d:prop>"
                      "<d:getetag/><a:address-data/></d:prop>" +
                          hrefs + "</a:addressbook-multiget>";
        const Reponse r = client.requete("REPORT", collection, corps, avecProfondeur("1"));
        const std::optional<Multistatus> m = multistatus(r, d.erreur);
        if (!m)
            return d;
        for (const Membre& membre : m->membres) {
            const Element* etag = membre.propriete(NsDav, QStringLiteral("getetag"));
            const Element* donnees = membre.propriete(agendas ? NsCaldav : NsCarddav,
                                                      agendas ? QStringLiteral("calendar-data")
                                                              : QStringLiteral("address-data"));
            if (donnees)
                d.liste.push_back({membre.url, etag ? etag->texte.toUtf8() : QByteArray(),
                                   donnees->texte.toUtf8()});
            else if (membre.statut == 404 ||
                     (!membre.proprietes.empty() && membre.proprietes.front().first == 404))
                d.absents.push_back(membre.url);
        }
    }
    return d;
}

Ecriture ecrire(Client& client, const QUrl& url, const QByteArray& donnees, const QByteArray& type,
                const std::optional<QByteArray>& etagAttendu)
{
    Entetes entetes{{"Content-Type", type}};
    if (etagAttendu)
        entetes.append(qMakePair(QByteArray("If-Match"), *etagAttendu));
    else
        entetes.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
    const Reponse r = client.requete("PUT", url, donnees, entetes);
    Ecriture e;
    e.statut = r.statut;
    if (!r.reussie()) {
        e.erreur = raison(r);
        return e;
    }
    e.etag = r.entete("ETag");
    if (e.etag.isEmpty()) {
        // Not said: asked.
        const Reponse p =
            client.requete("PROPFIND", url, propfind("<d:getetag/>"), avecProfondeur("0"));
        QString erreur;
        if (const std::optional<Multistatus> m = multistatus(p, erreur))
            for (const Membre& membre : m->membres)
                if (const Element* etag = membre.propriete(NsDav, QStringLiteral("getetag")))
                    e.etag = etag->texte.toUtf8();
    }
    return e;
}

Ecriture supprimer(Client& client, const QUrl& url, const std::optional<QByteArray>& etag)
{
    Entetes entetes;
    if (etag)
        entetes.append(qMakePair(QByteArray("If-Match"), *etag));
    const Reponse r = client.requete("DELETE", url, {}, entetes);
    Ecriture e;
    e.statut = r.statut;
    if (!r.reussie() && r.statut != 404)
        e.erreur = raison(r);
    return e;
}

} // namespace dav
