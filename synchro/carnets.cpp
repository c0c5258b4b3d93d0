#include "synchro/carnets.h"

#include "dav/dav.h"
#include "echange/echange.h"
#include "echange/vcard.h"
#include "socle/raisons.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <map>
#include <set>
#include <unordered_map>

namespace synchro {

namespace {

// What Tarvelon knows of one contact.
struct Contact {
    QByteArray etag;
    std::int64_t rowid = 0;      // the entry Tarvelon wrote (0: none)
    socle::Fiche ecrite;         // what it wrote there
    bool deLUtilisateur = false; // its birthday is an entry of the user's (typed, or changed)
    QString illisible;           // a birthday that could not be read, named
};

struct EtatCarnet {
    QString jeton;
    std::map<QString, Contact> contacts; // by the card's path, decoded
};

using Etat = std::map<QString, EtatCarnet>; // by the book's URL

Etat lireEtat()
{
    Etat etat;
    QFile f(fichierEtatCarnets());
    if (!f.open(QIODevice::ReadOnly))
        return etat;
    const QJsonObject tout = QJsonDocument::fromJson(f.read(256 << 20)).object();
    for (auto c = tout.begin(); c != tout.end(); ++c) {
        const QJsonObject o = c.value().toObject();
        EtatCarnet& carnet = etat[c.key()];
        carnet.jeton = o.value(QStringLiteral("jeton")).toString();
        const QJsonObject contacts = o.value(QStringLiteral("contacts")).toObject();
        for (auto it = contacts.begin(); it != contacts.end(); ++it) {
            const QJsonObject v = it.value().toObject();
            Contact& contact = carnet.contacts[it.key()];
            contact.etag = v.value(QStringLiteral("etag")).toString().toUtf8();
            contact.rowid = v.value(QStringLiteral("rowid")).toInteger();
            const QJsonArray e = v.value(QStringLiteral("ecrite")).toArray();
            if (contact.rowid > 0 && e.size() == 3)
                contact.ecrite = {e[0].toString().toStdString(), e[1].toString().toStdString(),
                                  e[2].toString().toStdString(), " "};
            else
                contact.rowid = 0;
            contact.deLUtilisateur = v.value(QStringLiteral("utilisateur")).toBool();
            contact.illisible = v.value(QStringLiteral("illisible")).toString();
        }
    }
    return etat;
}

bool ecrireEtat(const Etat& etat)
{
    QJsonObject tout;
    for (const auto& [url, carnet] : etat) {
        QJsonObject contacts;
        for (const auto& [chemin, c] : carnet.contacts) {
            QJsonObject v{{QStringLiteral("etag"), QString::fromUtf8(c.etag)}};
            if (c.rowid > 0) {
                v.insert(QStringLiteral("rowid"), qint64(c.rowid));
                v.insert(QStringLiteral("ecrite"),
                         QJsonArray{QString::fromStdString(c.ecrite.nom),
                                    QString::fromStdString(c.ecrite.date),
                                    QString::fromStdString(c.ecrite.annee)});
            }
            if (c.deLUtilisateur)
                v.insert(QStringLiteral("utilisateur"), true);
            if (!c.illisible.isEmpty())
                v.insert(QStringLiteral("illisible"), c.illisible);
            contacts.insert(chemin, v);
        }
        tout.insert(url, QJsonObject{{QStringLiteral("jeton"), carnet.jeton},
                                     {QStringLiteral("contacts"), contacts}});
    }
    QDir().mkpath(dossierEtat());
    QSaveFile f(fichierEtatCarnets());
    return f.open(QIODevice::WriteOnly) &&
           f.write(QJsonDocument(tout).toJson(QJsonDocument::Compact)) >= 0 && f.commit();
}

QString cleDe(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded);
}

// The name of a card the reader refused, to say which one it is.
QString nomDeLaCarte(const QByteArray& carte, const QUrl& url)
{
    static const QRegularExpression fn(QStringLiteral("^FN(?:;[^:\\r\\n]*)?:([^\\r\\n]*)"),
                                       QRegularExpression::MultilineOption |
                                           QRegularExpression::CaseInsensitiveOption);
    const QString texte = QString::fromUtf8(carte.left(64 * 1024));
    const QString nom = fn.match(texte).captured(1).trimmed().left(100);
    return nom.isEmpty() ? cleDe(url).section(QLatin1Char('/'), -1) : nom;
}

struct Compteurs {
    int contacts = 0, anniversaires = 0;
    int ajoutes = 0, modifies = 0, supprimes = 0, gardes = 0, presents = 0;
    QStringList illisibles;
    QString erreur;
    bool etatChange = true; // what is known of the book changed

    bool changements() const { return ajoutes + modifies + supprimes > 0; }
};

enum class Mode { Suivre, Essayer };

// One book: what changed on the server since the last run, brought into the
// table in one transaction. Tried (Mode::Essayer), the transaction is rolled
// back: what a first import would do, nothing written.
Compteurs suivre(dav::Client& client, const QUrl& url, socle::Database& base, EtatCarnet& etat,
                 Mode mode)
{
    Compteurs n;
    QString erreur;
    const std::optional<dav::Collection> carnet =
        dav::collection(client, url, dav::Sorte::Carnets, &erreur);
    if (!carnet) {
        n.erreur = erreur;
        return n;
    }
    const dav::Changements ch = dav::changements(client, *carnet, etat.jeton);
    if (!ch.erreur.isEmpty()) {
        n.erreur = ch.erreur;
        return n;
    }

    // Gone: said so, or missing from a complete listing.
    std::set<QString> partis;
    for (const QUrl& u : ch.supprimes)
        partis.insert(cleDe(u));
    std::set<QString> listes;
    std::vector<QUrl> aLire;
    for (const dav::Objet& o : ch.presents) {
        const QString cle = cleDe(o.url);
        listes.insert(cle);
        partis.erase(cle);
        const auto connu = etat.contacts.find(cle);
        if (connu == etat.contacts.end() || connu->second.etag.isEmpty() ||
            connu->second.etag != o.etag)
            aLire.push_back(o.url);
    }
    if (ch.complet)
        for (const auto& [cle, contact] : etat.contacts)
            if (!listes.count(cle))
                partis.insert(cle);
    const dav::Donnees lues = dav::recuperer(client, carnet->url, aLire, dav::Sorte::Carnets);
    if (!lues.erreur.isEmpty()) {
        n.erreur = lues.erreur;
        return n;
    }
    for (const QUrl& u : lues.absents)
        partis.insert(cleDe(u));
    // A card neither sent nor said gone is asked again next time: the token
    // stays where it was.
    const bool toutLu = lues.liste.size() + lues.absents.size() >= aLire.size();

    const auto illisibles = [&] {
        for (const auto& [cle, contact] : etat.contacts)
            if (!contact.illisible.isEmpty())
                n.illisibles << contact.illisible;
    };
    // Nothing new: the table is not even locked.
    if (partis.empty() && lues.liste.empty() && toutLu) {
        n.etatChange = ch.jeton != etat.jeton;
        etat.jeton = ch.jeton;
        illisibles();
        return n;
    }

    if (!base.exec("BEGIN IMMEDIATE")) {
        n.erreur = QStringLiteral("le calendrier ne peut pas être modifié : ") +
                   QString::fromStdString(socle::raisonSqlite(base.errorCode()));
        return n;
    }
    const auto annuler = [&](int code) {
        base.exec("ROLLBACK");
        n.erreur = QStringLiteral("le calendrier ne peut pas être modifié : ") +
                   QString::fromStdString(socle::raisonSqlite(code));
        return n;
    };
    std::vector<socle::FicheStockee> fiches;
    if (const int code = socle::lireFiches(base, fiches); code != socle::SqliteOk)
        return annuler(code);
    std::unordered_map<std::int64_t, const socle::Fiche*> table;
    for (const socle::FicheStockee& f : fiches)
        table[f.rowid] = &f.fiche;
    const auto intacte = [&table](const Contact& c) {
        const auto it = table.find(c.rowid);
        return it != table.end() && *it->second == c.ecrite;
    };

    // The entry of a contact whose birthday is gone: removed while it holds
    // what Tarvelon wrote; else the user's, kept.
    const auto retirer = [&](Contact& c) -> int {
        if (c.rowid > 0) {
            if (intacte(c)) {
                if (const int code = socle::supprimerFiche(base, c.rowid); code != socle::SqliteOk)
                    return code;
                ++n.supprimes;
            } else {
                ++n.gardes;
            }
        }
        c.rowid = 0;
        c.deLUtilisateur = false;
        return socle::SqliteOk;
    };
    for (const QString& cle : partis) {
        const auto it = etat.contacts.find(cle);
        if (it == etat.contacts.end())
            continue;
        if (const int code = retirer(it->second); code != socle::SqliteOk)
            return annuler(code);
        etat.contacts.erase(it);
    }

    std::vector<socle::Fiche> nouvelles;
    std::vector<Contact*> deQui;
    for (const dav::Donnee& d : lues.liste) {
        Contact& c = etat.contacts[cleDe(d.url)];
        c.etag = d.etag;
        ++n.contacts;
        const echange::LectureVcard lecture = echange::lireVcard(d.donnees);
        if (!lecture.erreur.isEmpty()) {
            // Counted and named; its entry, if any, stays as it is.
            c.illisible =
                QStringLiteral("%1 (%2)").arg(nomDeLaCarte(d.donnees, d.url), lecture.erreur);
            continue;
        }
        c.illisible.clear();
        const echange::Carte* carte = lecture.cartes.empty() ? nullptr : &lecture.cartes.front();
        if (!carte || !carte->naissance || carte->nom.isEmpty()) {
            if (const int code = retirer(c); code != socle::SqliteOk)
                return annuler(code);
            continue;
        }
        ++n.anniversaires;
        const socle::Fiche voulue = echange::anniversaireDe(*carte);
        if (c.rowid > 0) {
            if (voulue == c.ecrite)
                continue;
            if (!intacte(c)) {
                ++n.gardes; // changed by the user: theirs from now on
                c.rowid = 0;
                c.deLUtilisateur = true;
                continue;
            }
            bool trouvee = false;
            if (const int code =
                    socle::modifierFiche(base, c.rowid, voulue, {true, true, true, false}, trouvee);
                code != socle::SqliteOk)
                return annuler(code);
            c.ecrite = voulue;
            ++n.modifies;
        } else if (!c.deLUtilisateur) {
            nouvelles.push_back(voulue);
            deQui.push_back(&c);
        }
    }
    const socle::Ajout ajout = socle::ajouterFiches(base, nouvelles, socle::Doublons::Ecarter);
    if (ajout.code != socle::SqliteOk)
        return annuler(ajout.code);
    for (size_t i = 0; i < nouvelles.size(); ++i) {
        if (ajout.ajoutee[i]) {
            deQui[i]->rowid = ajout.rowids[i];
            deQui[i]->ecrite = nouvelles[i];
        } else {
            deQui[i]->deLUtilisateur = true; // typed by the user already
        }
    }
    n.ajoutes = int(ajout.ajoutees);
    n.presents = int(ajout.presentes);
    illisibles();

    if (mode == Mode::Essayer) {
        base.exec("ROLLBACK");
        return n;
    }
    if (!base.exec("COMMIT"))
        return annuler(base.errorCode());
    if (toutLu)
        etat.jeton = ch.jeton;
    return n;
}

QString phrase(const QString& nom, const Compteurs& n)
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
    if (n.presents)
        quoi << echange::compte(n.presents, QStringLiteral("déjà présent"),
                                QStringLiteral("déjà présents"));
    if (!n.illisibles.isEmpty())
        quoi << echange::compte(n.illisibles.size(), QStringLiteral("anniversaire illisible"),
                                QStringLiteral("anniversaires illisibles")) +
                    QStringLiteral(" : ") + n.illisibles.join(QStringLiteral(" ; "));
    if (quoi.isEmpty())
        return QStringLiteral("Carnet « %1 » : déjà à jour.").arg(nom);
    return QStringLiteral("Carnet « %1 » : %2.").arg(nom, quoi.join(QStringLiteral(", ")));
}

} // namespace

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

Apercu apercu(dav::Client& client, const QUrl& url, socle::Database& base)
{
    EtatCarnet vierge;
    const Compteurs n = suivre(client, url, base, vierge, Mode::Essayer);
    return {n.contacts, n.anniversaires, n.presents, n.erreur};
}

BilanCarnets suivreCarnets(dav::Client& client, const Compte& compte, socle::Database& base)
{
    BilanCarnets bilan;
    Etat avant = lireEtat();
    Etat etat;
    QStringList phrases;
    for (qsizetype i = 0; i < compte.carnets.size(); ++i) {
        const QString url = compte.carnets[i].toString();
        const QString nom = compte.nomsCarnets.value(i, url);
        const auto connu = avant.find(url);
        EtatCarnet carnet = connu != avant.end() ? connu->second : EtatCarnet{};
        const Compteurs n = suivre(client, compte.carnets[i], base, carnet, Mode::Suivre);
        if (!n.erreur.isEmpty()) {
            bilan.reussi = false;
            phrases
                << QStringLiteral("Le carnet « %1 » n'a pas pu être lu : %2.").arg(nom, n.erreur);
            if (connu != avant.end())
                etat[url] = connu->second; // as it was
            continue;
        }
        bilan.tableChangee = bilan.tableChangee || n.changements();
        phrases << phrase(nom, n);
        etat[url] = std::move(carnet);
        // Recorded after each book: what the table holds now.
        if (n.etatChange && !ecrireEtat(etat)) {
            bilan.reussi = false;
            phrases << QStringLiteral("L'état des carnets ne peut pas être écrit (%1).")
                           .arg(fichierEtatCarnets());
            break;
        }
    }
    // A book no longer followed leaves its entries to the user.
    if (bilan.reussi && etat.size() != avant.size() && !ecrireEtat(etat)) {
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
