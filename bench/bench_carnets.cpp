// The address books followed, at 10,000 contacts: the first import, then a
// run after one change (goals: under 3 s and under 0.3 s), and the peak
// memory. Against a small stand-in CardDAV server in this process (Radicale
// lists a collection in quadratic time): one address book, sync-collection
// from a token, addressbook-multiget.
#include "../tests/http.h"
#include "bench/mesure.h"
#include "socle/calendrier_fr.h"
#include "socle/fetes.h"
#include "socle/proches.h"
#include "socle/schema.h"
#include "synchro/carnets.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <map>
#include <mutex>
#include <sys/resource.h>

namespace {

// The stand-in server: /carnet/ and its cards, each with the version of the
// collection at which it last changed.
class Serveur : public QObject {
public:
    struct Carte {
        QByteArray donnees;
        int version = 0;
    };

    void mettre(const QByteArray& nom, const QByteArray& donnees)
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_cartes[nom] = {donnees, ++m_version};
    }
    quint16 ecouter()
    {
        m_tcp.listen(QHostAddress::LocalHost, 0);
        connect(&m_tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_tcp.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { lire(s); });
        });
        return m_tcp.serverPort();
    }
    int requetes = 0;

private:
    void lire(QTcpSocket* s)
    {
        QByteArray& tampon = m_tampons[s];
        tampon += s->readAll();
        while (const std::optional<test::RequeteHttp> q = test::prochaineRequete(tampon)) {
            ++requetes;
            const QByteArray reponse = repondre(q->methode, q->chemin, q->corps);
            s->write("HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml; charset=utf-8\r\n"
                     "Content-Length: " +
                     QByteArray::number(reponse.size()) + "\r\n\r\n" + reponse);
        }
    }

    QByteArray repondre(const QByteArray& methode, const QByteArray& chemin,
                        const QByteArray& corps)
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        QByteArray x = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
                       "xmlns:a=\"urn:ietf:params:xml:ns:carddav\">";
        const auto membre = [&x](const QByteArray& href, const QByteArray& props) {
            x += "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + props +
                 "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
        };
        const QByteArray jeton =
            "<d:sync-token>t" + QByteArray::number(m_version) + "</d:sync-token>";
        if (methode == "PROPFIND") {
            membre(chemin, "<d:resourcetype><d:collection/><a:addressbook/></d:resourcetype>"
                           "<d:displayname>Carnet</d:displayname>" +
                               jeton);
        } else if (corps.contains("sync-collection")) {
            static const QRegularExpression depuis(QStringLiteral("<d:sync-token>t(\\d+)<"));
            const int version = depuis.match(QString::fromUtf8(corps)).captured(1).toInt();
            for (const auto& [nom, c] : m_cartes)
                if (c.version > version)
                    membre("/carnet/" + nom,
                           "<d:getetag>\"" + QByteArray::number(c.version) + "\"</d:getetag>");
            x += jeton;
        } else {
            static const QRegularExpression href(
                QStringLiteral("<d:href>/carnet/([^<]+)</d:href>"));
            for (auto it = href.globalMatch(QString::fromUtf8(corps)); it.hasNext();) {
                const QByteArray nom = it.next().captured(1).toUtf8();
                const Carte& c = m_cartes.at(nom);
                membre("/carnet/" + nom, "<d:getetag>\"" + QByteArray::number(c.version) +
                                             "\"</d:getetag><a:address-data>" + c.donnees +
                                             "</a:address-data>");
            }
        }
        return x + "</d:multistatus>";
    }

    QTcpServer m_tcp{this}; // moves with the server to its thread
    std::map<QTcpSocket*, QByteArray> m_tampons;
    std::map<QByteArray, Carte> m_cartes;
    int m_version = 0;
    std::mutex m_verrou;
};

QByteArray carte(int i, const QDate& jour)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c" + QByteArray::number(i) + "\r\nFN:Contact " +
           QByteArray::number(i) + "\r\nN:" + QByteArray::number(i) +
           ";Contact;;;\r\nTEL:+33 6 00 00 00 00\r\nEMAIL:contact" + QByteArray::number(i) +
           "@exemple.fr\r\nBDAY:" + jour.toString(Qt::ISODate).toLatin1() + "\r\nEND:VCARD\r\n";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dossier;
    qputenv("XDG_STATE_HOME", QFile::encodeName(dossier.path()));
    constexpr int Contacts = 10000;

    QThread fil;
    Serveur serveur;
    for (int i = 0; i < Contacts; ++i)
        serveur.mettre("c" + QByteArray::number(i) + ".vcf",
                       carte(i, QDate(1940 + i % 80, 1, 1).addDays(i % 365)));
    serveur.moveToThread(&fil);
    fil.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        &serveur, [&] { port = serveur.ecouter(); }, Qt::BlockingQueuedConnection);

    socle::Database base;
    base.open(QFile::encodeName(dossier.filePath("tarvelon.db")).toStdString(),
              socle::OpenMode::Create);
    socle::creerTable(base);
    socle::ajouterFiches(base, socle::calendrierFr(), socle::Doublons::Ajouter);
    socle::mettreANiveau(base); // the people's table, as the window's opening makes it

    synchro::Compte compte;
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/carnet/").arg(port));
    compte.carnets = {url};
    compte.nomsCarnets = {QStringLiteral("Carnet")};
    compte.adresse = url.toString();
    compte.utilisateur = QStringLiteral("u");

    std::printf("%d contacts, un calendrier de %zu fêtes\n", Contacts,
                socle::calendrierFr().size());
    for (int tour = 0; tour < 3; ++tour) {
        if (tour == 2)
            serveur.mettre("c7.vcf", carte(7, QDate(1999, 12, 31)));
        synchro::Connexion connexion(compte, QStringLiteral("p"));
        synchro::BilanCarnets bilan;
        const double ms = bench::millis([&] {
            socle::Instantane table;
            socle::lireInstantane(base, table);
            bilan = synchro::suivreCarnets(connexion, compte, base, table);
        });
        std::printf("%-20s %7.0f ms  %4d requêtes  %s\n",
                    tour == 0   ? "premier import"
                    : tour == 1 ? "rien de changé"
                                : "un contact changé",
                    ms, connexion.requetes(), qPrintable(bilan.texte));
    }
    std::vector<socle::Proche> proches;
    socle::lireProches(base, proches);
    std::printf("%zu proches (un par contact nommé)\n", proches.size());
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    std::printf("mémoire au plus haut : %.1f Mo (serveur et ses %d cartes compris)\n",
                double(r.ru_maxrss) / 1024.0, Contacts);
    QMetaObject::invokeMethod(
        &serveur, [&] { serveur.moveToThread(app.thread()); }, Qt::BlockingQueuedConnection);
    fil.quit();
    fil.wait();
    return 0;
}
