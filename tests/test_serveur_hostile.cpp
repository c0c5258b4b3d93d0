// A server that answers as a hostile one would: bodies without end,
// entities, listings that name what is not the calendar's, answers that come
// too slowly. The run stops with a French reason, its memory bounded, and
// nothing outside the calendar is ever touched.
#include "dav/dav.h"
#include "http.h"
#include "synchro/connexion.h"
#include "synchro/publication.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace {

using Requete = test::RequeteHttp;

// The stand-in, in a thread of its own as a real server is: each request
// handed to `repondre`, which writes what it will on the socket; every
// request and every byte sent counted.
class Serveur : public QObject {
public:
    std::atomic<qint64> envoyes = 0;
    std::atomic<int> raccroches = 0; // connections the client closed

    Serveur()
    {
        m_tcp.listen(QHostAddress::LocalHost, 0);
        connect(&m_tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_tcp.nextPendingConnection()) {
                connect(s, &QTcpSocket::bytesWritten, this, [this](qint64 n) { envoyes += n; });
                connect(s, &QTcpSocket::disconnected, this, [this] { ++raccroches; });
                connect(s, &QTcpSocket::readyRead, this, [this, s] { lire(s); });
            }
        });
        moveToThread(&m_fil);
        m_fil.start();
    }
    ~Serveur() override
    {
        QMetaObject::invokeMethod(
            this, [this] { moveToThread(m_fil.thread()); }, Qt::BlockingQueuedConnection);
        m_fil.quit();
        m_fil.wait();
    }
    // Given a new way to answer, between requests.
    void changer(std::function<void(QTcpSocket*, const Requete&)> f)
    {
        QMetaObject::invokeMethod(
            this, [this, &f] { repondre = std::move(f); }, Qt::BlockingQueuedConnection);
    }
    std::vector<Requete> recues() const
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        return m_recues;
    }
    QUrl url(const QString& chemin = QStringLiteral("/")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_tcp.serverPort()).arg(chemin));
    }
    static void ecrire(QTcpSocket* s, const QByteArray& statut, const QByteArray& corps,
                       const QByteArray& tete = {})
    {
        s->write("HTTP/1.1 " + statut + "\r\n" + tete +
                 "Content-Length: " + QByteArray::number(corps.size()) + "\r\n\r\n" + corps);
    }

private:
    void lire(QTcpSocket* s)
    {
        QByteArray& tampon = m_tampons[s];
        tampon += s->readAll();
        while (const std::optional<Requete> q = test::prochaineRequete(tampon)) {
            {
                const std::lock_guard<std::mutex> verrou(m_verrou);
                m_recues.push_back(*q);
            }
            repondre(s, *q);
        }
    }

    std::function<void(QTcpSocket*, const Requete&)> repondre;
    QThread m_fil;
    QTcpServer m_tcp{this}; // moves with the server to its thread
    std::map<QTcpSocket*, QByteArray> m_tampons;
    mutable std::mutex m_verrou;
    std::vector<Requete> m_recues;
};

// Sends chunks for as long as the client reads them.
void sansFin(QTcpSocket* s)
{
    s->write("HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n"
             "Transfer-Encoding: chunked\r\n\r\n");
    const QByteArray morceau = "10000\r\n" + QByteArray(0x10000, 'x') + "\r\n";
    s->write("1e\r\n<d:multistatus xmlns:d=\"DAV:\">\r\n");
    QObject::connect(s, &QTcpSocket::bytesWritten, s, [s, morceau] {
        if (s->bytesToWrite() < 4 * morceau.size())
            s->write(morceau);
    });
}

QByteArray multistatus(const QByteArray& interieur)
{
    return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
           "xmlns:c=\"urn:ietf:params:xml:ns:caldav\">" +
           interieur + "</d:multistatus>";
}

QByteArray membre(const QByteArray& href)
{
    return "<d:response><d:href>" + href +
           "</d:href><d:propstat><d:prop><d:getetag>\"1\"</d:getetag></d:prop>"
           "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

// A calendar at /alice/agenda/ without sync tokens: listed whole each time.
void agenda(QTcpSocket* s, const Requete& q, const QByteArray& liste)
{
    if (q.methode == "PROPFIND" && q.tete.contains("Depth: 0"))
        Serveur::ecrire(s, "207 Multi-Status",
                        multistatus("<d:response><d:href>/alice/agenda/</d:href><d:propstat>"
                                    "<d:prop><d:resourcetype><d:collection/><c:calendar/>"
                                    "</d:resourcetype></d:prop><d:status>HTTP/1.1 200 OK"
                                    "</d:status></d:propstat></d:response>"));
    else if (q.methode == "PROPFIND")
        Serveur::ecrire(s, "207 Multi-Status", multistatus(liste));
    else
        Serveur::ecrire(s, q.methode == "PUT" ? "201 Created" : "204 No Content", {},
                        "ETag: \"2\"\r\n");
}

synchro::Compte compteSur(const Serveur& serveur)
{
    synchro::Compte c;
    c.adresse = serveur.url().toString();
    c.utilisateur = QStringLiteral("alice");
    c.agenda = serveur.url(QStringLiteral("/alice/agenda/"));
    return c;
}

std::vector<socle::Fiche> uneFete()
{
    return {{"Georges", "23/04", "0000", "M"}};
}

} // namespace

class TestServeurHostile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_maison.filePath(QStringLiteral("etat"))));
    }

    // Whatever a server sends, Tarvelon reads at most MaxBodyBytes of one
    // answer and says why it stopped.
    void reponsesDemesurees()
    {
        Serveur serveur;
        dav::Client client({serveur.url(), QStringLiteral("alice"), QStringLiteral("p"), {}});

        serveur.changer([](QTcpSocket* s, const Requete&) { sansFin(s); });
        dav::Response r = client.request("PROPFIND", serveur.url(QStringLiteral("/alice/")));
        QVERIFY2(r.error.contains(QStringLiteral("dépasse 32 Mio")), qPrintable(r.error));
        QVERIFY(r.body.isEmpty());
        // The client hung up: the server's sending ends (before, the run
        // read on until its 30 s wait ran out; a loaded machine under the
        // sanitizers takes some seconds to see it).
        QTRY_VERIFY_WITH_TIMEOUT(serveur.raccroches == 1, 15000);

        // Announced: given up before the body comes.
        serveur.envoyes = 0;
        serveur.changer([](QTcpSocket* s, const Requete&) {
            s->write("HTTP/1.1 207 Multi-Status\r\nContent-Length: 1073741824\r\n\r\n");
            s->write(QByteArray(1 << 20, ' '));
        });
        r = client.request("PROPFIND", serveur.url(QStringLiteral("/alice/")));
        QVERIFY2(r.error.contains(QStringLiteral("dépasse")), qPrintable(r.error));

        // An entity that would grow a small answer into gigabytes.
        const QByteArray texte(4000, 'a');
        QByteArray bombe = "<?xml version=\"1.0\"?><!DOCTYPE d:multistatus [<!ENTITY t \"" + texte +
                           "\">]><d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>";
        for (int i = 0; i < 250; ++i)
            bombe += "&t;";
        bombe += "</d:href></d:response></d:multistatus>";
        serveur.changer([&bombe](QTcpSocket* s, const Requete&) {
            Serveur::ecrire(s, "207 Multi-Status", bombe);
        });
        dav::Changes ch = dav::changes(
            client, {serveur.url(QStringLiteral("/alice/agenda/")), {}, true, false}, {});
        QVERIFY2(ch.error.contains(QStringLiteral("entités")), qPrintable(ch.error));
        QVERIFY(ch.present.empty());

        // More members than any calendar holds, in a page under the size bound.
        QByteArray foule;
        for (int i = 0; i <= dav::MaxMembers; ++i)
            foule += "<d:response><d:href>/alice/agenda/" + QByteArray::number(i) +
                     "</d:href></d:response>";
        QVERIFY(foule.size() < dav::MaxBodyBytes);
        QString pourquoi;
        QVERIFY(!dav::parseMultistatus(multistatus(foule), serveur.url(), &pourquoi));
        QVERIFY2(pourquoi.contains(QStringLiteral("plus de 50000 éléments")), qPrintable(pourquoi));
    }

    // A listing names other folders, another server, a member's subfolder,
    // a query: none of them is asked, written or deleted, and the report
    // counts them. An event of the calendar named as Tarvelon names its own
    // but not written here (another installation's) is left alone too.
    void rienHorsDeLAgenda()
    {
        Serveur ailleurs;
        ailleurs.changer([](QTcpSocket* s, const Requete& q) { agenda(s, q, {}); });
        Serveur serveur;
        const QByteArray autreHote =
            ailleurs.url(QStringLiteral("/alice/agenda/fetes-0104@tarvelon.ics")).toEncoded();
        const QByteArray liste =
            membre("/alice/agenda/fetes-0101@tarvelon.ics") +
            membre("/alice/autre/fetes-0102@tarvelon.ics") +
            membre("/alice/agenda/../secret/fetes-0103@tarvelon.ics") + membre(autreHote) +
            membre("/alice/agenda/sous/fetes-0105@tarvelon.ics") +
            membre("/alice/agenda/fetes-0106@tarvelon.ics?x=1") +
            membre("http://alice@127.0.0.1:" + QByteArray::number(serveur.url().port()) +
                   "/alice/agenda/fetes-0107@tarvelon.ics");
        serveur.changer([&liste](QTcpSocket* s, const Requete& q) { agenda(s, q, liste); });

        synchro::Connexion connexion(compteSur(serveur), QStringLiteral("p"));
        const synchro::Bilan bilan = synchro::publier(connexion, compteSur(serveur), uneFete());
        QVERIFY2(bilan.reussi, qPrintable(bilan.texte));
        QVERIFY2(bilan.texte.contains(QStringLiteral("Le serveur a nommé 6 adresses hors de "
                                                     "l'agenda : Tarvelon les a ignorées.")),
                 qPrintable(bilan.texte));
        QStringList ecrits;
        const std::vector<Requete> recues = serveur.recues();
        for (const Requete& q : recues) {
            QVERIFY2(q.chemin.startsWith("/alice/agenda/"), q.chemin.constData());
            if (q.methode == "PUT" || q.methode == "DELETE")
                ecrits << QString::fromLatin1(q.methode + ' ' + q.chemin);
        }
        ecrits.sort();
        QCOMPARE(ecrits,
                 QStringList({QStringLiteral("PUT /alice/agenda/fetes-0423%40tarvelon.ics")}));
        QVERIFY(ailleurs.recues().empty());
    }

    // A server that answers each request late: the run stops at its
    // deadline, not after hours, and says so; an answer cut by the wait is
    // "ne répond pas", not unreadable XML; a redirect to a host that asks
    // for a password is not the password's fault.
    void reponsesLentesEtDetours()
    {
        Serveur serveur;
        serveur.changer([](QTcpSocket* s, const Requete& q) {
            QTimer::singleShot(300, s, [s, q] { agenda(s, q, {}); });
        });
        std::vector<socle::Fiche> fiches;
        for (int i = 0; i < 200; ++i)
            fiches.push_back({"Ami" + std::to_string(i), "12/05", "1980", " "});
        synchro::Connexion connexion(compteSur(serveur), QStringLiteral("p"),
                                     std::chrono::milliseconds(1500));
        const synchro::Bilan bilan = synchro::publier(connexion, compteSur(serveur), fiches);
        QVERIFY(!bilan.reussi);
        QVERIFY2(bilan.texte.contains(QStringLiteral("dure trop longtemps")),
                 qPrintable(bilan.texte));
        // 1.5 s of answers at 0.3 s each, six at a time: far from the 202
        // requests of the whole publish.
        QVERIFY2(serveur.recues().size() <= 40,
                 qPrintable(QString::number(serveur.recues().size())));

        // The status line and half the XML, then nothing.
        serveur.changer([](QTcpSocket* s, const Requete&) {
            s->write("HTTP/1.1 207 Multi-Status\r\nContent-Length: 500\r\n\r\n<d:multistatus");
        });
        dav::Client patient({serveur.url(), QStringLiteral("alice"), QStringLiteral("p"), {}}, 500);
        const dav::Changes ch = dav::changes(
            patient, {serveur.url(QStringLiteral("/alice/agenda/")), {}, true, false}, {});
        QVERIFY2(ch.error.contains(QStringLiteral("ne répond pas")), qPrintable(ch.error));

        Serveur autre;
        autre.changer([](QTcpSocket* s, const Requete&) {
            Serveur::ecrire(s, "401 Unauthorized", {}, "WWW-Authenticate: Basic realm=\"x\"\r\n");
        });
        serveur.changer([&autre](QTcpSocket* s, const Requete&) {
            Serveur::ecrire(s, "301 Moved", {},
                            "Location: " + autre.url(QStringLiteral("/dav/")).toEncoded() + "\r\n");
        });
        const dav::Response r = patient.request("PROPFIND", serveur.url(QStringLiteral("/alice/")));
        QVERIFY2(r.error.contains(QStringLiteral("renvoie vers une autre adresse")),
                 qPrintable(r.error));
        QVERIFY(!dav::reason(r).contains(QStringLiteral("mot de passe est")));
        for (const Requete& q : autre.recues())
            QVERIFY(!q.tete.toLower().contains("authorization"));
    }

    // A sync token the server never gave (or no longer knows) answered by
    // a plain error, as Xandikos does: the collection is listed whole.
    void jetonInconnu_listeEntiere()
    {
        Serveur serveur;
        serveur.changer([](QTcpSocket* s, const Requete& q) {
            if (q.methode == "REPORT" && q.corps.contains("<d:sync-token>ancien<"))
                return Serveur::ecrire(s, "500 Internal Server Error", {});
            Serveur::ecrire(
                s, "207 Multi-Status",
                multistatus("<d:sync-token>neuf</d:sync-token>" + membre("/alice/agenda/a.ics")));
        });
        dav::Client client({serveur.url(), QStringLiteral("alice"), QStringLiteral("p"), {}});
        const dav::Changes ch =
            dav::changes(client, {serveur.url(QStringLiteral("/alice/agenda/")), {}, true, true},
                         QStringLiteral("ancien"));
        QVERIFY2(ch.error.isEmpty(), qPrintable(ch.error));
        QVERIFY(ch.tokenUnknown && ch.complete);
        QCOMPARE(ch.present.size(), size_t(1));
        QCOMPARE(ch.token, QStringLiteral("neuf"));
    }

    // Another computer wrote first (412): the new version is read and the
    // rule decides in the same run: this run's change goes over it; a
    // deletion against a change keeps the change, and is not tried again.
    void ecritAvant_decideDansLaMemeCourse()
    {
        Serveur serveur;
        auto membres = std::make_shared<std::map<QByteArray, QByteArray>>(); // path → etag
        auto refus = std::make_shared<int>(0);
        serveur.changer([membres, refus](QTcpSocket* s, const Requete& q) {
            const bool autre = q.tete.contains("If-Match: \"autre\"");
            if ((q.methode == "PUT" || q.methode == "DELETE") && !autre && *refus > 0) {
                --*refus;
                (*membres)[q.chemin] = "\"autre\"";
                return Serveur::ecrire(s, "412 Precondition Failed", {});
            }
            if (q.methode == "PROPFIND" && q.tete.contains("Depth: 0") && membres->count(q.chemin))
                return Serveur::ecrire(
                    s, "207 Multi-Status",
                    multistatus(membre(q.chemin).replace("\"1\"", membres->at(q.chemin))));
            if (q.methode == "PUT")
                (*membres)[q.chemin] = "\"2\"";
            if (q.methode == "DELETE")
                membres->erase(q.chemin);
            QByteArray liste;
            for (const auto& [chemin, etag] : *membres)
                liste += membre(chemin).replace("\"1\"", etag);
            agenda(s, q, liste);
        });
        const synchro::Compte compte = compteSur(serveur);
        const auto publier = [&](const std::vector<socle::Fiche>& fiches) {
            synchro::Connexion connexion(compte, QStringLiteral("p"));
            return synchro::publier(connexion, compte, fiches);
        };
        std::vector<socle::Fiche> fiches{{"Georges", "23/04", "0000", "M"},
                                         {"Paul", "12/05", "1980", " "}};
        QVERIFY(publier(fiches).reussi);
        fiches[0].nom = "Georgette";
        *refus = 1;
        synchro::Bilan b = publier(fiches);
        QVERIFY2(b.reussi && b.texte.contains(QString::fromUtf8("1 modifié")), qPrintable(b.texte));
        const auto ecritures = [&serveur] {
            QStringList l;
            for (const Requete& q : serveur.recues())
                if (q.methode == "PUT" || q.methode == "DELETE")
                    l << QString::fromLatin1(q.methode + ' ' +
                                             q.chemin.mid(q.chemin.lastIndexOf('/') + 1));
            return l;
        };
        QVERIFY(ecritures().endsWith(QStringLiteral("PUT fetes-0423%40tarvelon.ics")));
        QCOMPARE(ecritures().size(), 4); // two, then the refused one and the one over it

        fiches.pop_back();
        *refus = 1;
        b = publier(fiches);
        QVERIFY2(b.reussi && !b.texte.contains(QString::fromUtf8("supprimé")), qPrintable(b.texte));
        QCOMPARE(ecritures().size(), 5); // the refused deletion alone
        b = publier(fiches);
        QVERIFY2(b.reussi && b.ecritures == 0, qPrintable(b.texte));
        QCOMPARE(ecritures().size(), 5);
    }

    // A server that asks for Basic credentials: the first run learns it,
    // the next ones send them with their first request (no 401 at all).
    void basic_envoyeDesLaPremiereRequete()
    {
        Serveur serveur;
        serveur.changer([](QTcpSocket* s, const Requete& q) {
            if (!q.tete.contains("Authorization: Basic " + QByteArray("alice:p").toBase64()))
                return Serveur::ecrire(s, "401 Unauthorized", {},
                                       "WWW-Authenticate: Basic realm=\"dav\"\r\n");
            agenda(s, q, {});
        });
        const synchro::Compte compte = compteSur(serveur);
        const auto refus = [&serveur] {
            int n = 0;
            for (const Requete& q : serveur.recues())
                n += !q.tete.contains("Authorization:");
            return n;
        };
        for (int course = 0; course < 2; ++course) {
            synchro::Connexion connexion(compte, QStringLiteral("p"));
            QVERIFY(synchro::publier(connexion, compte, uneFete()).reussi);
        }
        const int premiere = refus();
        QVERIFY(premiere >= 1);
        synchro::Connexion connexion(compte, QStringLiteral("p"));
        QVERIFY(synchro::publier(connexion, compte, uneFete()).reussi);
        QCOMPARE(refus(), premiere);
    }

    // A first publish cut short by the server: every upload done is
    // recorded, and the next run writes only the rest.
    void publicationInterrompue()
    {
        Serveur serveur;
        auto poses = std::make_shared<std::vector<QByteArray>>();
        // The calendar, full after `place` uploads.
        const auto calendrier = [poses](size_t place) {
            return [poses, place](QTcpSocket* s, const Requete& q) {
                if (q.methode == "PUT" && poses->size() == place)
                    return Serveur::ecrire(s, "507 Insufficient Storage", {});
                if (q.methode == "PUT")
                    poses->push_back(q.chemin);
                QByteArray liste;
                for (const QByteArray& chemin : *poses)
                    liste += membre(chemin).replace("\"1\"", "\"2\"");
                agenda(s, q, liste);
            };
        };
        serveur.changer(calendrier(199));
        std::vector<socle::Fiche> fiches;
        for (int i = 0; i < 250; ++i)
            fiches.push_back(
                {"Ami" + std::to_string(i), "12/05", std::to_string(1950 + i % 60), " "});
        const synchro::Compte compte = compteSur(serveur);
        synchro::Bilan bilan;
        {
            synchro::Connexion connexion(compte, QStringLiteral("p"));
            bilan = synchro::publier(connexion, compte, fiches);
        }
        QVERIFY(!bilan.reussi);
        QVERIFY2(bilan.texte.contains(QStringLiteral("plus de place")), qPrintable(bilan.texte));
        QCOMPARE(bilan.ecritures, 199);
        serveur.changer(calendrier(SIZE_MAX));
        synchro::Connexion connexion(compte, QStringLiteral("p"));
        bilan = synchro::publier(connexion, compte, fiches);
        QVERIFY2(bilan.reussi, qPrintable(bilan.texte));
        QCOMPARE(bilan.ecritures, 51);
    }

private:
    QTemporaryDir m_maison;
};

QTEST_GUILESS_MAIN(TestServeurHostile)
#include "test_serveur_hostile.moc"
