// tarvelon-rappel as a user runs it, over a calendar of its own.
#include "fakes.h"
#include "rappel/rappel.h"
#include "rappel/texte.h"
#include "socle/schema.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Sortie {
    int code = -1;
    QString out, err;
};

} // namespace

class TestRappel : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    QString dir() const { return m_root.path() + QStringLiteral("/tarvelon/"); }

    Sortie run(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TARVELON_RAPPEL), arguments);
        if (!process.waitForFinished(10000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    void writeSettings(const QByteArray& bytes)
    {
        QFile file(dir() + QStringLiteral("tarvelon.inf"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        QDir(dir()).removeRecursively();
        QVERIFY(QDir().mkpath(dir()));
        test::writeDatabase(dir() + QStringLiteral("tarvelon.db"),
                            {{"Georges", "23/04", "0000", "M"},
                             {"Adalbert", "23/04", "0000", "M"},
                             {"Paul", "12/05", "1980", " "},
                             {"Bébé", "12/05", "2026", " "},
                             {"Futur", "12/05", "2030", " "},
                             {"Drôle", "12/05", "19a0", " "},
                             {"Sansan", "12/05", "----", " "},
                             {"Auguste", "29/02", "0000", "M"},
                             {"Bissextin", "29/02", "2000", " "},
                             {"Romain", "28/02", "0000", "M"},
                             {"Nouvel", "01/01", "2000", " "},
                             {"Sylvestre", "31/12", "0000", "M"}});
    }

    // A store cut off by a crash leaves a hot journal beside the file: the
    // reminder still tells the day, and the rows are those before the store.
    void afterACrashMidStore_theDayIsStillTold()
    {
        const QByteArray db = QFile::encodeName(dir() + QStringLiteral("tarvelon.db"));
        const pid_t enfant = ::fork();
        if (enfant == 0) {
            sqlite3* base = nullptr;
            sqlite3_open(db.constData(), &base);
            sqlite3_exec(base, "PRAGMA cache_size = 1; BEGIN", nullptr, nullptr, nullptr);
            for (int i = 0; i < 2000; ++i)
                sqlite3_exec(base, "INSERT INTO Fetes VALUES ('Fantome', '23/04', '0000', 'M')",
                             nullptr, nullptr, nullptr);
            ::_exit(0); // killed before its commit
        }
        int statut = 0;
        QCOMPARE(::waitpid(enfant, &statut, 0), enfant);
        QVERIFY(QFile::exists(dir() + QStringLiteral("tarvelon.db-journal")));
        const Sortie s = run({"--date", "23/04/2026"});
        QCOMPARE(s.code, 0);
        QCOMPARE(s.out,
                 QString::fromUtf8("Jeudi 23 avril 2026\nFête : Georges\nFête : Adalbert\n"));
    }

    // Names and events are told bounded, their control characters blanked.
    void longAndHostileTexts_toldBounded()
    {
        writeSettings("[Evenements]\r\n23/04=\x1b]0;titre\x07" + QByteArray(5000, 'x') + "\r\n");
        const Sortie s = run({"--date", "23/04/2026"});
        const QString evenement = s.out.split('\n').value(3);
        QVERIFY2(evenement.startsWith(QString::fromUtf8("Événement :  ]0;titre ")),
                 qPrintable(evenement.left(40)));
        QCOMPARE(evenement.size(), QString::fromUtf8("Événement : ").size() + 200 + 1);
        QVERIFY(evenement.endsWith(QString::fromUtf8("x…")));
    }

    void day_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("several name days")
            << QStringList{"--date", "23/04/2026"}
            << "Jeudi 23 avril 2026\nFête : Georges\nFête : Adalbert\n";
        QTest::newRow("birthdays: age, this year, later, no number, no year")
            << QStringList{"--date", "12/05/2026"}
            << "Mardi 12 mai 2026\nAnniversaire : Paul, 46 ans\nAnniversaire : Bébé\n"
               "Anniversaire : Futur\nAnniversaire : Drôle\nAnniversaire : Sansan\n";
        QTest::newRow("29 February told on the 28th of a common year")
            << QStringList{"--date", "28/02/2026"}
            << "Samedi 28 février 2026\nFête : Romain\nFête du 29 février : Auguste\n"
               "Anniversaire du 29 février : Bissextin, 26 ans\n";
        QTest::newRow("29 February on its own day in a leap year")
            << QStringList{"--date", "28/02/2028", "--jours", "1"}
            << "Lundi 28 février 2028\nFête : Romain\n\nMardi 29 février 2028 (demain)\n"
               "Fête : Auguste\nAnniversaire : Bissextin, 28 ans\n";
        QTest::newRow("days ahead across the new year, only days with something")
            << QStringList{"--date", "30/12/2026", "--jours", "3"}
            << "Mercredi 30 décembre 2026\nRien à souhaiter ce jour.\n\n"
               "Jeudi 31 décembre 2026 (demain)\nFête : Sylvestre\n\n"
               "Vendredi 1er janvier 2027 (dans 2 jours)\nAnniversaire : Nouvel, 27 ans\n";
        QTest::newRow("a day with nothing")
            << QStringList{"--date", "02/01/2026"}
            << "Vendredi 2 janvier 2026\nRien à souhaiter ce jour.\n";
    }

    void day()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const Sortie sortie = run(arguments);
        QCOMPARE(sortie.err, QString());
        QCOMPARE(sortie.code, 0);
        QCOMPARE(sortie.out, expected);
    }

    // The people under the names of their day, one chosen by the user on a
    // day of its own, one left out and never told; the notification names
    // them first, the day's names and the birthday in its body.
    void people_underTheNamesOfTheirDay()
    {
        const std::string chemin = QFile::encodeName(dir() + "tarvelon.db").toStdString();
        {
            socle::Database base;
            QVERIFY(base.open(chemin, socle::OpenMode::ReadWrite));
            QCOMPARE(socle::mettreANiveau(base).etat, socle::MiseANiveau::AJour);
            std::int64_t rowid = 0;
            socle::ajouterFiche(base, {"Zoé", "23/04", "2000", " "}, rowid);
            const auto proche = [&](const char* cle, const char* nom, const char* jour,
                                    const char* fete, bool souhaiter) {
                socle::Proche p{cle, nom, nom, "fichier:amis.vcf", 0, jour, fete, false, souhaiter};
                QCOMPARE(socle::ecrireProche(base, p), int(socle::SqliteOk));
            };
            proche("uid:1", "Georges Martin", "23/04", "Georges", true);
            proche("uid:2", "Georges Dupont", "23/04", "Georges", true);
            proche("uid:3", "Georges Caché", "23/04", "Georges", false);
            proche("uid:4", "Jeanne Amie", "23/04", "", true);
            proche("uid:5", "Sylvestre Durand", "31/12", "Sylvestre", true);
        }
        const Sortie s = run({"--date", "23/04/2026"});
        QCOMPARE(s.err, QString());
        QCOMPARE(s.out, QString::fromUtf8("Jeudi 23 avril 2026\n"
                                          "Fête : Georges — Georges Dupont, Georges Martin\n"
                                          "Fête : Adalbert\nÀ souhaiter : Jeanne Amie\n"
                                          "Anniversaire : Zoé, 26 ans\n"));
        QCOMPARE(run({"--date", "30/12/2026", "--jours", "1"}).out,
                 QString::fromUtf8("Mercredi 30 décembre 2026\nRien à souhaiter ce jour.\n\n"
                                   "Jeudi 31 décembre 2026 (demain)\n"
                                   "Fête : Sylvestre — Sylvestre Durand\n"));

        const rappel::Calendrier c = rappel::lireCalendrier(chemin, {"23/04", "24/04"});
        QVERIFY2(c.lu, c.erreur.c_str());
        const socle::Parametres aucun = socle::Parametres::depuis("");
        const std::chrono::sys_days jour(std::chrono::year(2026) / 4 / 23);
        std::vector<rappel::JourRappel> jours;
        for (int dans = 0; dans < 2; ++dans)
            jours.push_back(rappel::rappelDu(
                c.fiches, aucun, rappel::Jour(jour + std::chrono::days(dans)), dans, c.proches));
        const auto n = rappel::notification(jours);
        QVERIFY(n);
        QCOMPARE(QString::fromStdString(n->resume),
                 QString::fromUtf8("Bonne fête à Georges Dupont, Georges Martin et Jeanne Amie !"));
        QCOMPARE(QString::fromStdString(n->corps),
                 QString::fromUtf8("Joyeux anniversaire à Zoé (26 ans) !\n"
                                   "Fêtes du jour : Georges et Adalbert"));
    }

    void event_plainTextLiterally()
    {
        writeSettings("[Evenements]\r\n23/04=<b>Dîner</b> & \x1b[31mcie\r\n"
                      "29/02=Fête des bissextiles\r\n");
        QCOMPARE(run({"--date", "23/04/2026"}).out,
                 QString::fromUtf8("Jeudi 23 avril 2026\nFête : Georges\nFête : Adalbert\n"
                                   "Événement : <b>Dîner</b> &  [31mcie\n"));
        QVERIFY(run({"--date", "28/02/2027"})
                    .out.endsWith(
                        QString::fromUtf8("Événement du 29 février : Fête des bissextiles\n")));
    }

    void brokenDatabase_toldAndUntouched()
    {
        const QString db = dir() + QStringLiteral("tarvelon.db");
        QFile::remove(db);
        QFile file(db);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray bytes(4096, 'x');
        file.write(bytes);
        file.close();
        const Sortie sortie = run({});
        QCOMPARE(sortie.code, 1);
        QCOMPARE(sortie.out, QString());
        QVERIFY2(sortie.err.contains(db) &&
                     sortie.err.contains(QString::fromUtf8("n'est pas une base de données SQLite")),
                 qPrintable(sortie.err));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }

    void noDatabase_theBundledCalendarWithoutMakingOne()
    {
        const QString db = dir() + QStringLiteral("tarvelon.db");
        QVERIFY(QFile::remove(db));
        const Sortie sortie = run({"--date", "23/04/2026"});
        QCOMPARE(sortie.code, 0);
        QVERIFY(sortie.out.startsWith(QStringLiteral("Jeudi 23 avril 2026\nFête : Georges\n")));
        QVERIFY(!QFile::exists(db));
    }

    void badUsage_frenchMessageAndStatus2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--bruyant"} << "option inconnue";
        QTest::newRow("days out of range") << QStringList{"--jours", "367"} << "0 à 366";
        QTest::newRow("days not a number") << QStringList{"--jours=deux"} << "0 à 366";
        QTest::newRow("no such day") << QStringList{"--date", "31/02/2026"} << "JJ/MM/AAAA";
        QTest::newRow("date without its value") << QStringList{"--date"} << "attend une valeur";
        QTest::newRow("forcer alone") << QStringList{"--forcer"} << "--notification";
    }

    void badUsage_frenchMessageAndStatus2()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Sortie sortie = run(arguments);
        QCOMPARE(sortie.code, 2);
        QCOMPARE(sortie.out, QString());
        QVERIFY2(sortie.err.contains(message), qPrintable(sortie.err));
        QVERIFY(sortie.err.contains(QString::fromUtf8("tarvelon-rappel --help")));
    }

    void helpAndVersion()
    {
        const Sortie aide = run({"--help"});
        QCOMPARE(aide.code, 0);
        for (const char* option : {"--jours", "--date", "--notification", "--forcer"})
            QVERIFY(aide.out.contains(QLatin1String(option)));
        QVERIFY(run({"--version"}).out.startsWith(QStringLiteral("tarvelon-rappel (Tarvelon) ")));
    }
};

QTEST_GUILESS_MAIN(TestRappel)
#include "test_rappel.moc"
