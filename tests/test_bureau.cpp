// Tarvelon in the desktop's own calendar: the calendar file kept in step,
// and a real Evolution Data Server (the calendar of GNOME and of its clock)
// on a private session bus, asked as GNOME Calendar asks it.
#include "bureau/agenda.h"
#include "fakes.h"
#include "support.h"
#include "windows/bureau/bureau.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestBureau : public QObject {
    Q_OBJECT

    QTemporaryDir m_maison;

    static QString tarvelon(const QStringList& arguments, int* code = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral(TARVELON), arguments);
        p.waitForFinished(60000);
        if (code)
            *code = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    }

    // The summaries of the events the calendar service shows on a day.
    static QStringList leJour(const QString& jour)
    {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral(TESTS "/eds.py"), QStringLiteral("tarvelon-fetes-et-anniversaires"),
                 jour});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* xdg : {"DATA", "CONFIG", "CACHE", "STATE"})
            qputenv(QByteArray("XDG_") + xdg + "_HOME",
                    QFile::encodeName(m_maison.filePath(QString::fromLatin1(xdg).toLower())));
    }

    // Written only when what it says changes; a rewrite within the same
    // second still moves its time on, since the calendar service compares
    // whole seconds.
    void file_writtenWhenChanged_neverTwiceInOneSecond()
    {
        const QString f = m_maison.filePath(QStringLiteral("essai.ics"));
        std::vector<socle::Fiche> fiches{{"Georges", "23/04", "0000", "M"}};
        QVERIFY(bureau::ecrireAgenda(fiches, f).ecrit);
        const QDateTime premier = QFileInfo(f).lastModified();
        QTest::qWait(1100); // DTSTAMP changes; nothing else does
        QVERIFY(!bureau::ecrireAgenda(fiches, f).ecrit);
        QCOMPARE(QFileInfo(f).lastModified(), premier);
        fiches.push_back({"Paul", "12/05", "1980", " "});
        qint64 avant = QFileInfo(f).lastModified().toSecsSinceEpoch();
        for (int i = 0; i < 3; ++i) {
            fiches.back().annee = std::to_string(1981 + i);
            QVERIFY(bureau::ecrireAgenda(fiches, f).ecrit);
            const qint64 apres = QFileInfo(f).lastModified().toSecsSinceEpoch();
            QVERIFY(apres > avant);
            avant = apres;
        }
        QVERIFY(test::readFile(f).contains("1983"));
    }

    // The window: a change of the calendar rewrites the file a moment
    // later, whoever made it.
    void window_changeRewritesTheFile()
    {
        test::Installation inst({{"Georges", "23/04", "0000", "M"}});
        auto w = inst.startWindow();
        auto* b = new bureau::Bureau(w.get(), w->Data1->databaseName());
        b->delaiApresChangement = 50;
        b->periodeVeille = 50;
        const QString ics = inst.dir() + QStringLiteral("tarvelon.ics");
        QTRY_VERIFY(QFile::exists(ics)); // at start
        QVERIFY(test::readFile(ics).contains("Georges"));
        w->Text1[0]->setText(QStringLiteral("Georgette"));
        w->SSCommand2_Click(0);
        QTRY_VERIFY_WITH_TIMEOUT(test::readFile(ics).contains("Georgette"), 10000);
        QTRY_VERIFY(!b->enCours());
    }

    // A result of the desktop's search activated: the window stands on it,
    // in its view.
    void window_standsOnTheEntryFound()
    {
        test::Installation inst({{"Georges", "23/04", "0000", "M"},
                                 {"Paul", "12/05", "1980", " "},
                                 {"Marie", "15/08", "0000", "F"}});
        auto w = inst.startWindow();
        bureau::montrerFiche(w.get(), QStringLiteral("12/05;1980;Paul"));
        QTRY_VERIFY(!w->ModeFetes && w->Text1[0]->text() == QLatin1String("Paul"));
        bureau::montrerFiche(w.get(), QStringLiteral("15/08;0000;Marie"));
        QTRY_VERIFY(w->ModeFetes && w->Text1[0]->text() == QLatin1String("Marie"));
    }

    // The first start on a GNOME session asks once, whatever the answer.
    void firstStartOnGnome_askedOnce()
    {
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        for (int fois = 0; fois < 2; ++fois) {
            test::Installation inst({{"Georges", "23/04", "0000", "M"}});
            auto w = inst.startWindow();
            inst.messages.answers = {platform::AnswerNo};
            new bureau::Bureau(w.get(), w->Data1->databaseName());
            QTest::qWait(600);
            QCOMPARE(inst.messages.texts(),
                     fois == 0 ? QStringList{QString::fromUtf8(
                                     "Afficher les fêtes et anniversaires dans le calendrier du "
                                     "bureau ?")}
                               : QStringList());
        }
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    // Without the desktop's calendar service, said, and nothing changed.
    void noCalendarService_saidNothingChanged()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + m_maison.filePath(QStringLiteral("aucun-bus")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TARVELON), {QStringLiteral("--bureau"), QStringLiteral("oui")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(
            QString::fromUtf8(p.readAllStandardError())
                .contains(QStringLiteral("Evolution Data Server, celui de GNOME) n'est pas là")));
        QVERIFY(!QFile::exists(m_maison.filePath(
            QStringLiteral("config/evolution/sources/tarvelon-fetes-et-anniversaires.source"))));
        QVERIFY(!QFile::exists(m_maison.filePath(QStringLiteral("data/tarvelon/tarvelon.db"))));
    }

    void desktopCalendar_showsTheDays()
    {
        if (!QFile::exists(QStringLiteral("/usr/libexec/evolution-source-registry"))) {
            if (qgetenv("CI") == "true")
                QFAIL("evolution-data-server n'est pas installé");
            QSKIP("evolution-data-server n'est pas installé");
        }
        // The services the bus starts find this test's folders.
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
        QMap<QString, QString> env;
        for (const char* xdg : {"DATA", "CONFIG", "CACHE", "STATE"}) {
            const QByteArray nom = QByteArray("XDG_") + xdg + "_HOME";
            env.insert(QString::fromLatin1(nom), qEnvironmentVariable(nom.constData()));
        }
        qDBusRegisterMetaType<QMap<QString, QString>>();
        m << QVariant::fromValue(env);
        QVERIFY(QDBusConnection::sessionBus().call(m).type() == QDBusMessage::ReplyMessage);

        QDir().mkpath(m_maison.filePath(QStringLiteral("data/tarvelon")));
        test::writeDatabase(m_maison.filePath(QStringLiteral("data/tarvelon/tarvelon.db")),
                            {{"Georges", "23/04", "0000", "M"},
                             {"Auguste", "29/02", "0000", "M"},
                             {"Romain", "28/02", "0000", "M"},
                             {"Bissextin", "29/02", "1960", " "}});
        int code = -1;
        QString sortie = tarvelon({"--bureau", "oui"}, &code);
        QVERIFY2(code == 0, qPrintable(sortie));
        QVERIFY(leJour(QStringLiteral("20270423")).contains(QStringLiteral("Fête des Georges")));
        // 29 February on the 28th of a common year, on the 29th of a leap one.
        const QStringList commune = leJour(QStringLiteral("20270228"));
        QVERIFY2(commune.contains(QStringLiteral("Fête des Romain")) &&
                     commune.contains(QStringLiteral("Fête des Auguste")) &&
                     !commune.filter(QStringLiteral("Bissextin")).isEmpty(),
                 qPrintable(commune.join('|')));
        const QStringList bissextile = leJour(QStringLiteral("20280229"));
        QVERIFY2(bissextile.contains(QStringLiteral("Fête des Auguste")) &&
                     !bissextile.filter(QStringLiteral("Bissextin")).isEmpty(),
                 qPrintable(bissextile.join('|')));
        QVERIFY(leJour(QStringLiteral("20280228")).contains(QStringLiteral("Fête des Romain")));
        QVERIFY(leJour(QStringLiteral("20280228")).filter(QStringLiteral("Bissextin")).isEmpty());

        // A birthday added through Tarvelon: there without a restart.
        const QString vcf = m_maison.filePath(QStringLiteral("paul.vcf"));
        QFile f(vcf);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Paul Dupont\r\nBDAY:1980-05-12\r\nEND:VCARD\r\n");
        f.close();
        sortie = tarvelon({"--importer", vcf}, &code);
        QVERIFY2(code == 0, qPrintable(sortie));
        QTRY_VERIFY_WITH_TIMEOUT(
            !leJour(QStringLiteral("20270512")).filter(QStringLiteral("Paul Dupont")).isEmpty(),
            15000);

        sortie = tarvelon({"--bureau", "non"}, &code);
        QVERIFY2(code == 0, qPrintable(sortie));
        QCOMPARE(leJour(QStringLiteral("absent")), QStringList{QStringLiteral("ABSENT")});
    }
};

QTEST_MAIN(TestBureau)
#include "test_bureau.moc"
