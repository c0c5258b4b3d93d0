// The desktop's search (GNOME Shell's overview, KRunner) asking Tarvelon's
// service through a private session bus, which starts it from its service
// file as the desktop's bus does.
#include "bureau/agenda.h"
#include "socle/proches.h"
#include "socle/sqlite.h"
#include "store/calendrier.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Service = QStringLiteral("fr.tarvelon.Tarvelon.SearchProvider");
const QString Chemin = QStringLiteral("/fr/tarvelon/Tarvelon/SearchProvider");
const QString Gnome = QStringLiteral("org.gnome.Shell.SearchProvider2");
const QString Kde = QStringLiteral("org.kde.krunner1");

} // namespace

class TestRecherche : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;
    QProcess m_bus;
    std::optional<QDBusConnection> m_connexion;

    QString chemin(const QString& nom) const { return m_dossier.filePath(nom); }

    QDBusMessage appeler(const QString& interface, const QString& methode,
                         const QVariantList& arguments)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(Service, Chemin, interface, methode);
        m.setArguments(arguments);
        return m_connexion->call(m, QDBus::Block, 10000);
    }
    QStringList ids(const QStringList& termes)
    {
        const QDBusMessage r = appeler(Gnome, QStringLiteral("GetInitialResultSet"), {termes});
        return r.type() == QDBusMessage::ReplyMessage ? r.arguments().value(0).toStringList()
                                                      : QStringList{r.errorMessage()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The service and a stand-in window beside it; the bus finds the
        // service by its file, as the desktop's bus does.
        QDir().mkpath(chemin(QStringLiteral("bin")));
        QDir().mkpath(chemin(QStringLiteral("services")));
        QVERIFY(QFile::copy(QStringLiteral(RECHERCHE),
                            chemin(QStringLiteral("bin/tarvelon-recherche"))));
        QFile fenetre(chemin(QStringLiteral("bin/tarvelon")));
        QVERIFY(fenetre.open(QIODevice::WriteOnly));
        fenetre.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + QFile::encodeName(chemin("lance")) +
                      "\"\n");
        fenetre.close();
        fenetre.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile service(chemin(QStringLiteral("services/") + Service + QStringLiteral(".service")));
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write("[D-BUS Service]\nName=" + Service.toUtf8() + "\nExec=" +
                      QFile::encodeName(chemin(QStringLiteral("bin/tarvelon-recherche"))) + "\n");
        service.close();
        QFile config(chemin(QStringLiteral("session.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        // Its own services only: never one a package installed.
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                     "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                     "busconfig.dtd\">\n<busconfig><type>session</type><keep_umask/>"
                     "<listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth><servicedir>" +
                     QFile::encodeName(chemin(QStringLiteral("services"))) +
                     "</servicedir><policy context=\"default\"><allow send_destination=\"*\" "
                     "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                     "</policy></busconfig>\n");
        config.close();

        qputenv("XDG_DATA_HOME", QFile::encodeName(chemin(QStringLiteral("data"))));
        QVERIFY(bureau::ecrireAgenda({{"Georges", "23/04", "0000", "M"},
                                      {"Adalbert", "23/04", "0000", "M"},
                                      {"Hélène", "18/08", "0000", "F"},
                                      {"Georges Dupont", "12/05", "1980", " "},
                                      {"Jean-Pierre", "03/06", "----", " "}})
                    .ecrit);
        // A person of the user's, wished on the name day chosen for her.
        socle::Database base;
        QString message;
        QVERIFY(store::openCalendar(base, chemin(QStringLiteral("data/tarvelon/tarvelon.db")),
                                    &message));
        socle::Proche tante;
        tante.cle = "uid:tante";
        tante.nom = "Adèle Martin";
        tante.jour = "24/12";
        QCOMPARE(socle::ecrireProche(base, tante), socle::SqliteOk);
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--config-file=") + chemin(QStringLiteral("session.conf")),
                     QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QString adresse = QString::fromUtf8(m_bus.readLine()).trimmed();
        m_connexion = QDBusConnection::connectToBus(adresse, QStringLiteral("essai"));
        QVERIFY(m_connexion->isConnected());
    }

    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished();
    }

    // Started by the bus at the first question (no running service yet);
    // a name or its beginning, with or without accents and capitals; a day.
    void search_byBeginningAccentsAndDay()
    {
        const QString fete = QStringLiteral("23/04;0000;Georges");
        const QString anniversaire = QStringLiteral("12/05;1980;Georges Dupont");
        QCOMPARE(ids({QStringLiteral("geor")}), (QStringList{fete, anniversaire}));
        QCOMPARE(ids({QStringLiteral("GÉOR")}), (QStringList{fete, anniversaire}));
        QCOMPARE(ids({QStringLiteral("geor"), QStringLiteral("dup")}), QStringList{anniversaire});
        QCOMPARE(ids({QStringLiteral("helene")}), QStringList{QStringLiteral("18/08;0000;Hélène")});
        QCOMPARE(ids({QStringLiteral("pierre")}),
                 QStringList{QStringLiteral("03/06;----;Jean-Pierre")});
        const QStringList jour{fete, QStringLiteral("23/04;0000;Adalbert")};
        QCOMPARE(ids({QStringLiteral("23/04")}), jour);
        QCOMPARE(ids({QStringLiteral("23"), QStringLiteral("avril")}), jour);
        QCOMPARE(ids({QStringLiteral("orges")}), QStringList()); // the beginning of a word only
        QCOMPARE(ids({QStringLiteral("martin")}),
                 QStringList{QStringLiteral("24/12;0000;Adèle Martin")}); // the user's people
        const QDBusMessage sous =
            appeler(Gnome, QStringLiteral("GetSubsearchResultSet"),
                    {QStringList{fete, anniversaire},
                     QStringList{QStringLiteral("georges"), QStringLiteral("d")}});
        QCOMPARE(sous.arguments().value(0).toStringList(), QStringList{anniversaire});

        // One meta for each id asked, in order, each with its id and name.
        const QDBusMessage metas =
            appeler(Gnome, QStringLiteral("GetResultMetas"), {QStringList{anniversaire, fete}});
        QCOMPARE(metas.signature(), QStringLiteral("aa{sv}"));
        const QDBusArgument liste = metas.arguments().value(0).value<QDBusArgument>();
        QList<QVariantMap> lues;
        liste >> lues;
        QCOMPARE(lues.size(), 2);
        QCOMPARE(lues[0].value(QStringLiteral("id")).toString(), anniversaire);
        QCOMPARE(lues[0].value(QStringLiteral("name")).toString(),
                 QStringLiteral("Georges Dupont — anniversaire le 12 mai (%1 ans)")
                     .arg(QDate::currentDate().year() - 1980));
        QCOMPARE(lues[1].value(QStringLiteral("name")).toString(),
                 QStringLiteral("Georges — fête le 23 avril"));

        // KRunner's question, on the same object.
        const QDBusMessage kde = appeler(Kde, QStringLiteral("Match"), {QStringLiteral("Géo")});
        QCOMPARE(kde.signature(), QStringLiteral("a(sssida{sv})"));
        const QDBusArgument trouvees = kde.arguments().value(0).value<QDBusArgument>();
        QStringList textes;
        trouvees.beginArray();
        while (!trouvees.atEnd()) {
            QString id, texte, icone;
            int sorte = 0;
            double pertinence = 0;
            QVariantMap proprietes;
            trouvees.beginStructure();
            trouvees >> id >> texte >> icone >> sorte >> pertinence >> proprietes;
            trouvees.endStructure();
            textes << texte;
        }
        trouvees.endArray();
        QCOMPARE(textes.size(), 2);
        QCOMPARE(textes[0], QStringLiteral("Georges — fête le 23 avril"));
        QCOMPARE(appeler(Kde, QStringLiteral("Actions"), {}).signature(), QStringLiteral("a(sss)"));
    }

    // Any term, of any length or bytes, is answered at once, and the
    // service stays.
    void anyTerm_answeredQuickly()
    {
        QByteArray bruit(1024 * 1024, 'a');
        for (int i = 0; i < bruit.size(); i += 7)
            bruit[i] = char(0x80 + i % 100);
        QStringList beaucoup;
        for (int i = 0; i < 100000; ++i)
            beaucoup << QStringLiteral("g");
        QElapsedTimer t;
        t.start();
        QCOMPARE(ids({QString::fromLatin1(bruit)}), QStringList());
        QCOMPARE(ids(beaucoup).size(), 2); // "g": both Georges
        QCOMPARE(appeler(Kde, QStringLiteral("Match"), {QString::fromLatin1(bruit)}).type(),
                 QDBusMessage::ReplyMessage);
        QVERIFY(t.elapsed() < 10000); // answered, not a hang (timings are the bench's)
        QCOMPARE(ids({QStringLiteral("adal")}), QStringList{QStringLiteral("23/04;0000;Adalbert")});
    }

    // Activating a result starts tarvelon standing on that entry.
    void activation_startsTheWindowOnTheEntry()
    {
        const QDBusMessage r =
            appeler(Gnome, QStringLiteral("ActivateResult"),
                    {QStringLiteral("18/08;0000;Hélène"), QStringList{QStringLiteral("hel")}, 0u});
        QCOMPARE(r.type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(QString::fromUtf8(test_lire(chemin(QStringLiteral("lance")))),
                     QStringLiteral("--fiche\n18/08;0000;Hélène\n"));
    }

private:
    static QByteArray test_lire(const QString& f)
    {
        QFile fichier(f);
        return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
    }
};

QTEST_GUILESS_MAIN(TestRecherche)
#include "test_recherche.moc"
