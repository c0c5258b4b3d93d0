// The publish over a slow link: a proxy on the loopback adds 50 ms each way
// to every byte between Tarvelon and a fresh Radicale. The bundled calendar
// and 500 birthdays (or the count given), sent one request at a time as
// before and several at once as now, then the run with nothing changed
// (goals: at most a third of the sequential time through the proxy; the
// run with nothing changed under 0.5 s plus one round trip). Needs
// python3-radicale.
#include "../tests/radicale.h"
#include "bench/mesure.h"
#include "dav/dav.h"
#include "socle/calendrier_fr.h"
#include "synchro/publication.h"

#include <QCoreApplication>
#include <QDate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int Retard = 50; // ms, each way

// Every byte passed on after the delay, in order, both ways.
class Proxy : public QObject {
public:
    Proxy(quint16 cible) : m_cible(cible) {}
    quint16 ecouter()
    {
        m_tcp.listen(QHostAddress::LocalHost, 0);
        connect(&m_tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_tcp.nextPendingConnection()) {
                auto* serveur = new QTcpSocket(client);
                serveur->connectToHost(QHostAddress::LocalHost, m_cible);
                relier(client, serveur);
                relier(serveur, client);
            }
        });
        return m_tcp.serverPort();
    }

private:
    void relier(QTcpSocket* de, QTcpSocket* vers)
    {
        connect(de, &QTcpSocket::readyRead, this, [de, vers] {
            const QByteArray octets = de->readAll();
            QTimer::singleShot(Retard, vers, [vers, octets] { vers->write(octets); });
        });
        connect(de, &QTcpSocket::disconnected, this, [vers] {
            QTimer::singleShot(Retard, vers, [vers] { vers->disconnectFromHost(); });
        });
    }

    quint16 m_cible;
    QTcpServer m_tcp{this};
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int anniversaires = argc > 1 ? std::atoi(argv[1]) : 500;
    QTemporaryDir etat;

    test::Radicale serveur;
    if (!serveur.demarrer()) {
        std::fprintf(stderr, "%s\n", qPrintable(serveur.why()));
        return 1;
    }
    std::vector<socle::Fiche> fiches = socle::calendrierFr();
    for (int i = 0; i < anniversaires; ++i)
        fiches.push_back({"Ami" + std::to_string(i),
                          QDate(2001, 1, 1).addDays(i * 7 % 366).toString("dd/MM").toStdString(),
                          std::to_string(1940 + i % 70), "F"});

    QThread fil;
    Proxy proxy(quint16(serveur.url().port()));
    proxy.moveToThread(&fil);
    fil.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        &proxy, [&] { port = proxy.ecouter(); }, Qt::BlockingQueuedConnection);
    QUrl lent = serveur.url();
    lent.setPort(port);

    const dav::Identity identite{
        serveur.url(), QStringLiteral("alice"), QStringLiteral("secret"), {}};
    std::printf("%zu entrées, %d ms ajoutées dans chaque sens\n", fiches.size(), Retard);
    struct Essai {
        const char* titre;
        bool parLeProxy;
        int paralleles;
    };
    int numero = 0;
    for (const Essai& essai :
         {Essai{"direct, plusieurs à la fois", false, 6}, Essai{"lent, une à la fois", true, 1},
          Essai{"lent, plusieurs à la fois", true, 6}}) {
        // A calendar and a state of its own for each.
        qputenv("XDG_STATE_HOME", QFile::encodeName(etat.filePath(QString::number(++numero))));
        synchro::Compte compte;
        compte.utilisateur = identite.user;
        {
            dav::Client client(identite);
            const dav::Created c =
                dav::makeCalendar(client, serveur.url().resolved(QUrl(QStringLiteral("alice/"))),
                                  QStringLiteral("Essai %1").arg(numero));
            if (!c.error.isEmpty()) {
                std::fprintf(stderr, "%s\n", qPrintable(c.error));
                return 1;
            }
            compte.agenda = c.url;
        }
        if (essai.parLeProxy)
            compte.agenda.setPort(port);
        for (const char* tour : {"premier envoi", "rien de changé"}) {
            synchro::Connexion connexion(compte, identite.password);
            connexion.limiter(essai.paralleles);
            synchro::Bilan bilan;
            const double ms =
                bench::millis([&] { bilan = synchro::publier(connexion, compte, fiches); });
            std::printf("%-28s %-15s %8.0f ms  %5d requêtes%s\n", essai.titre, tour, ms,
                        connexion.requetes(), bilan.reussi ? "" : "  (échec)");
            if (!bilan.reussi)
                std::printf("  %s\n", qPrintable(bilan.texte));
        }
    }
    QMetaObject::invokeMethod(
        &proxy, [&] { proxy.moveToThread(app.thread()); }, Qt::BlockingQueuedConnection);
    fil.quit();
    fil.wait();
    return 0;
}
