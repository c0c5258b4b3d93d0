// The calendar published to a real Radicale (CalDAV), as tarvelon
// --compte and --synchroniser and the window run it.
#include "dav/dav.h"
#include "echange/echange.h"
#include "fakes.h"
#include "platform/sqlite.h"
#include "radicale.h"
#include "socle/proches.h"
#include "synchro/synchro.h"

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <libical/ical.h>

namespace {

std::vector<test::Row> calendrier()
{
    return {{"Georges", "23/04", "0000", "M"},  {"Adalbert", "23/04", "0000", "M"},
            {"Auguste", "29/02", "0000", "M"},  {"Marie", "15/08", "0000", "F"},
            {"Paul", "12/05", "1980", " "},     {"Léa", "03/01", "----", " "},
            {"Bissextin", "29/02", "1960", " "}};
}

} // namespace

class TestAgenda : public QObject {
    Q_OBJECT

    QTemporaryDir m_maison;
    test::Radicale m_serveur;

    QString db() const { return m_maison.filePath(QStringLiteral("data/tarvelon/tarvelon.db")); }

    synchro::Compte compte() const
    {
        synchro::Compte c;
        c.adresse = m_serveur.url().toString();
        c.utilisateur = QStringLiteral("alice");
        c.agenda = m_serveur.url().resolved(QUrl(QStringLiteral("alice/fetes/")));
        c.nomAgenda = QStringLiteral("Fêtes");
        return c;
    }

    synchro::Bilan run(const QString& motDePasse = QStringLiteral("secret"))
    {
        return synchro::synchroniser(compte(), motDePasse, db());
    }

    dav::Client client() const
    {
        return dav::Client(
            {m_serveur.url(), QStringLiteral("alice"), QStringLiteral("secret"), {}});
    }

    // What the calendar holds, by resource: its data.
    std::map<QString, QByteArray> surLeServeur()
    {
        dav::Client c = client();
        dav::Collection col{compte().agenda, {}, true, true};
        const dav::Changes ch = dav::changes(c, col, QString());
        std::vector<QUrl> urls;
        for (const dav::Member& o : ch.present)
            urls.push_back(o.url);
        std::map<QString, QByteArray> contenu;
        for (const dav::Resource& d :
             dav::fetch(c, compte().agenda, urls, dav::Kind::Calendars).items)
            contenu[d.url.path(QUrl::FullyDecoded).section('/', -1)] = d.data;
        return contenu;
    }

    void ecrireDirectement(const QString& nom, const QByteArray& ics,
                           std::optional<QByteArray> etag = std::nullopt)
    {
        dav::Client c = client();
        const dav::Written e =
            dav::put(c, compte().agenda.resolved(QUrl(nom)), ics, "text/calendar", etag);
        QVERIFY2(e.error.isEmpty(), qPrintable(e.error));
    }

private Q_SLOTS:
    void initTestCase()
    {
        RADICALE_OU_PASSER(m_serveur);
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_maison.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_maison.filePath(QStringLiteral("config"))));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_maison.filePath(QStringLiteral("state"))));
        QDir().mkpath(m_maison.filePath(QStringLiteral("data/tarvelon")));
        test::writeDatabase(db(), calendrier());
    }

    // tarvelon --compte: from an address the server does not serve, through
    // its /.well-known/caldav redirect, the calendar made.
    void account_discoveredAndCalendarMade()
    {
        QProcess p;
        p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        p.start(QStringLiteral(TARVELON),
                {"--compte", m_serveur.url().resolved(QUrl("nulle/part/")).toString(), "alice",
                 "--agenda", "Fêtes", "--mot-de-passe-commande", "echo secret"});
        QVERIFY(p.waitForFinished(30000));
        const QString dit = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(dit.contains(QString::fromUtf8("agenda « Fêtes » créé")), qPrintable(dit));
        const std::optional<synchro::Compte> c = synchro::lireCompte();
        QVERIFY(c);
        QCOMPARE(c->agenda, compte().agenda);
        QCOMPARE(c->commandeMotDePasse, QStringLiteral("echo secret"));
    }

    void wrongPassword_oneFrenchMessageNothingWritten()
    {
        const synchro::Bilan b = run(QStringLiteral("faux"));
        QVERIFY(!b.reussi);
        QVERIFY2(b.texte.contains(QStringLiteral("refuse le nom d'utilisateur ou le mot de passe")),
                 qPrintable(b.texte));
        QCOMPARE(b.ecritures, 0);
        QVERIFY(surLeServeur().empty());
    }

    // The first publish, then a run that writes nothing; the events read
    // back by libical fall on their days over 2025-2030.
    void publish_thenNothingToWrite()
    {
        synchro::Bilan b = run();
        QVERIFY2(b.reussi, qPrintable(b.texte));
        QCOMPARE(b.ecritures, 3 + 3); // three days of name days, three birthdays
        b = run();
        QCOMPARE(b.ecritures, 0);
        QVERIFY(b.texte.contains(QStringLiteral("rien à changer")));

        const std::map<QString, QByteArray> contenu = surLeServeur();
        QCOMPARE(contenu.size(), size_t(6));
        for (const auto& [nom, ics] : contenu) {
            icalcomponent* agenda = icalparser_parse_string(ics.constData());
            QVERIFY(agenda);
            icalcomponent* e = icalcomponent_get_first_component(agenda, ICAL_VEVENT_COMPONENT);
            QCOMPARE(QString::fromUtf8(icalcomponent_get_uid(e)) + ".ics",
                     QUrl::fromPercentEncoding(nom.toUtf8()));
            const icaltimetype debut = icalcomponent_get_dtstart(e);
            QVERIFY(debut.is_date && debut.year >= 1970);
            const QString resume = QString::fromUtf8(icalcomponent_get_summary(e));
            icalproperty* regle = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY);
            icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(regle), debut);
            QList<QDate> jours;
            for (icaltimetype t = icalrecur_iterator_next(it);
                 !icaltime_is_null_time(t) && t.year <= 2030; t = icalrecur_iterator_next(it))
                if (t.year >= 2025)
                    jours << QDate(t.year, t.month, t.day);
            icalrecur_iterator_free(it);
            QCOMPARE(jours.size(), 6);
            for (const QDate& j : jours) {
                if (debut.month == 2 && debut.day == 29)
                    QCOMPARE(j.day(), QDate::isLeapYear(j.year()) ? 29 : 28);
                else
                    QCOMPARE(std::make_pair(j.month(), j.day()),
                             std::make_pair(debut.month, debut.day));
            }
            if (resume.contains(QStringLiteral("Bissextin")))
                QCOMPARE(debut.year, 1972); // born in 1960: the start moves, the year stays
            if (resume.contains(QStringLiteral("Paul")))
                QCOMPARE(debut.year, 1980);
            icalcomponent_free(agenda);
        }
    }

    // A change in Tarvelon is one write; a deleted birthday, one delete.
    void changesInTarvelon_reachTheServer()
    {
        platform::SqliteDatabase base;
        QVERIFY(base.open(db(), false));
        QVERIFY(base.exec("INSERT INTO Fetes VALUES ('Gilles', '23/04', '0000', 'M')"));
        synchro::Bilan b = run();
        QCOMPARE(b.ecritures, 1);
        QVERIFY(surLeServeur()["fetes-0423@tarvelon.ics"].contains("Adalbert et Gilles"));
        QVERIFY(base.exec("DELETE FROM Fetes WHERE Nom = 'Léa'"));
        b = run();
        QCOMPARE(b.ecritures, 1);
        QVERIFY2(b.texte.contains(QString::fromUtf8("1 supprimé")), qPrintable(b.texte));
        QCOMPARE(surLeServeur().size(), size_t(5));
    }

    // Behind Tarvelon's back: a change set back, a deletion put back, a
    // foreign event left alone.
    void behindTheBack_setBackAndForeignLeftAlone()
    {
        const QByteArray etranger = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n"
                                    "BEGIN:VEVENT\r\nUID:dentiste@ailleurs\r\nDTSTAMP:20260101T0"
                                    "00000Z\r\nDTSTART;VALUE=DATE:20260301\r\nSUMMARY:Dentiste\r\n"
                                    "END:VEVENT\r\nEND:VCALENDAR\r\n";
        ecrireDirectement(QStringLiteral("dentiste.ics"), etranger);
        std::map<QString, QByteArray> avant = surLeServeur();
        QByteArray change = avant["fetes-0815@tarvelon.ics"];
        change.replace("Fête des Marie", "Autre chose");
        dav::Client c = client();
        const dav::Changes ch = dav::changes(c, {compte().agenda, {}, true, true}, QString());
        for (const dav::Member& o : ch.present)
            if (o.url.path(QUrl::FullyDecoded).endsWith(QStringLiteral("fetes-0815@tarvelon.ics")))
                ecrireDirectement(QStringLiteral("fetes-0815%40tarvelon.ics"), change, o.etag);
        dav::remove(c, compte().agenda.resolved(QUrl(QStringLiteral("fetes-0229%40tarvelon.ics"))),
                    std::nullopt);

        const synchro::Bilan b = run();
        QCOMPARE(b.ecritures, 2);
        QVERIFY2(b.texte.contains(QStringLiteral("changé sur le serveur")) &&
                     b.texte.contains(QStringLiteral("supprimé sur le serveur")),
                 qPrintable(b.texte));
        const std::map<QString, QByteArray> apres = surLeServeur();
        QVERIFY(apres.at("fetes-0815@tarvelon.ics").contains("Fête des Marie"));
        QVERIFY(apres.count("fetes-0229@tarvelon.ics"));
        QVERIFY(apres.at("dentiste.ics").contains("Dentiste"));
        QCOMPARE(apres.size(), size_t(6));
    }

    // A token the server no longer knows: a full comparison, no duplicate,
    // no deletion.
    void unknownToken_fullComparison()
    {
        QFile f(synchro::fichierEtatAgenda());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QJsonObject etat = QJsonDocument::fromJson(f.readAll()).object();
        f.close();
        etat[QStringLiteral("jeton")] = QStringLiteral("http://radicale.org/ns/sync/inconnu");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(etat).toJson());
        f.close();
        const synchro::Bilan b = run();
        QVERIFY2(b.reussi, qPrintable(b.texte));
        QCOMPARE(b.ecritures, 0);
        QCOMPARE(surLeServeur().size(), size_t(6));
    }

    // The server stopped in the middle of a run: the state holds what was
    // written; the next run completes, nothing doubled.
    void serverStoppedMidRun_nextRunCompletes()
    {
        platform::SqliteDatabase base;
        QVERIFY(base.open(db(), false));
        QVERIFY(base.exec("BEGIN"));
        for (int i = 0; i < 300; ++i)
            QVERIFY(
                base.exec(QStringLiteral("INSERT INTO Fetes VALUES ('Ami%1', '%2', '1990', ' ')")
                              .arg(i)
                              .arg(QDate(2001, 1, 1).addDays(i).toString("dd/MM"))
                              .toUtf8()
                              .constData()));
        QVERIFY(base.exec("COMMIT"));
        synchro::Bilan coupe;
        QThread* travail = QThread::create([&] { coupe = run(); });
        travail->start();
        QThread::msleep(800);
        const int port = m_serveur.port();
        m_serveur.arreter();
        QVERIFY(travail->wait(60000));
        delete travail;
        // Refused, or cut in the middle of a request: when the server goes.
        QVERIFY2(!coupe.reussi && (coupe.texte.contains(QStringLiteral("refusée")) ||
                                   coupe.texte.contains(QStringLiteral("a coupé la connexion"))),
                 qPrintable(coupe.texte));
        QVERIFY(coupe.ecritures > 0 && coupe.ecritures < 300);
        QVERIFY(m_serveur.demarrer(port));
        const synchro::Bilan suite = run();
        QVERIFY2(suite.reussi, qPrintable(suite.texte));
        // An upload the server took whose answer the cut lost is found there
        // as it would be written, and taken, not written again.
        QVERIFY(coupe.ecritures + suite.ecritures <= 300);
        QVERIFY(coupe.ecritures + suite.ecritures >= 300 - 6);
        QCOMPARE(surLeServeur().size(), size_t(6 + 300));
        QCOMPARE(run().ecritures, 0);
    }

    // The file exports, accepted by the server card by card and event by
    // event.
    void exports_acceptedByTheServer()
    {
        platform::SqliteDatabase base;
        QVERIFY(base.open(db(), false));
        const QString ics = m_maison.filePath(QStringLiteral("tout.ics"));
        const QString vcf = m_maison.filePath(QStringLiteral("tout.vcf"));
        QCOMPARE(echange::exporter(base, ics, socle::Selection::Tout).issue,
                 echange::Rapport::Reussi);
        QCOMPARE(echange::exporter(base, vcf, socle::Selection::Anniversaires).issue,
                 echange::Rapport::Reussi);
        dav::Client c = client();
        const dav::Created agenda = dav::makeCalendar(
            c, m_serveur.url().resolved(QUrl(QStringLiteral("alice/"))), QStringLiteral("Essai"));
        QVERIFY2(agenda.error.isEmpty(), qPrintable(agenda.error));
        QFile f(ics);
        QVERIFY(f.open(QIODevice::ReadOnly));
        icalcomponent* tout = icalparser_parse_string(f.readAll().constData());
        int acceptes = 0;
        for (icalcomponent* e = icalcomponent_get_first_component(tout, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(tout, ICAL_VEVENT_COMPONENT)) {
            icalcomponent* seul = icalcomponent_new_vcalendar();
            icalcomponent_add_property(seul, icalproperty_new_version("2.0"));
            icalcomponent_add_property(seul, icalproperty_new_prodid("-//Tarvelon//Essai//FR"));
            icalcomponent_add_component(seul, icalcomponent_new_clone(e));
            char* texte = icalcomponent_as_ical_string_r(seul);
            const dav::Written w =
                dav::put(c, agenda.url.resolved(QUrl(QStringLiteral("e%1.ics").arg(acceptes))),
                         QByteArray(texte), "text/calendar", std::nullopt);
            icalmemory_free_buffer(texte);
            icalcomponent_free(seul);
            QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
            ++acceptes;
        }
        icalcomponent_free(tout);
        QVERIFY(acceptes >= 300);

        const QUrl carnet = m_serveur.url().resolved(QUrl(QStringLiteral("alice/contacts/")));
        const dav::Response mk = c.request(
            "MKCOL", carnet,
            "<?xml version=\"1.0\"?><d:mkcol xmlns:d=\"DAV:\" xmlns:a=\"urn:ietf:params:xml:ns:"
            "carddav\"><d:set><d:prop><d:resourcetype><d:collection/><a:addressbook/>"
            "</d:resourcetype></d:prop></d:set></d:mkcol>",
            {{"Content-Type", "application/xml"}});
        QVERIFY2(mk.ok(), qPrintable(dav::reason(mk)));
        QFile cartes(vcf);
        QVERIFY(cartes.open(QIODevice::ReadOnly));
        int n = 0;
        const QList<QByteArray> parts = cartes.readAll().split('\n');
        QByteArray une;
        for (const QByteArray& ligne : parts) {
            une += ligne + '\n';
            if (ligne.startsWith("END:VCARD")) {
                const dav::Written w =
                    dav::put(c, carnet.resolved(QUrl(QStringLiteral("c%1.vcf").arg(n++))), une,
                             "text/vcard", std::nullopt);
                QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
                une.clear();
            }
        }
        QCOMPARE(n, 302);
    }
    // Each day's name-day event names the people to wish that day (never one
    // left out), unless the account says no.
    void people_namedInTheirDaysEvent()
    {
        {
            socle::Database base;
            QVERIFY(base.open(QFile::encodeName(db()).toStdString(), socle::OpenMode::ReadWrite));
            for (const socle::Proche& p :
                 {socle::Proche{"uid:g", "Georges Dupont", "Georges", "fichier:a.vcf", 0, "23/04",
                                "Georges", false, true},
                  socle::Proche{"uid:h", "Georges Caché", "Georges", "fichier:a.vcf", 0, "23/04",
                                "Georges", false, false}})
                QCOMPARE(socle::ecrireProche(base, p), int(socle::SqliteOk));
        }
        synchro::Bilan b = run();
        QVERIFY2(b.reussi && b.ecritures == 1, qPrintable(b.texte));
        QByteArray ics = surLeServeur()["fetes-0423@tarvelon.ics"];
        QVERIFY2(ics.contains("DESCRIPTION:À souhaiter : Georges Dupont"), ics.constData());
        QVERIFY(!ics.contains("Caché"));
        synchro::Compte sans = compte();
        sans.prochesPublies = false;
        b = synchro::synchroniser(sans, QStringLiteral("secret"), db());
        QCOMPARE(b.ecritures, 1);
        ics = surLeServeur()["fetes-0423@tarvelon.ics"];
        QVERIFY2(!ics.contains("DESCRIPTION") && ics.contains("SUMMARY:Fête des Georges"),
                 ics.constData());
    }

    // The calendar deleted on the server and made anew at the same address:
    // the state no longer says "already there"; every event is written again.
    void calendarMadeAnew_everyEventWrittenAgain()
    {
        QVERIFY(run().reussi);
        const auto tarvelon = [this] {
            size_t n = 0;
            for (const auto& [nom, donnees] : surLeServeur())
                n += nom.endsWith(QStringLiteral("@tarvelon.ics"));
            return n;
        };
        const size_t avant = tarvelon();
        QVERIFY(avant > 0);
        dav::Client c = client();
        QVERIFY(dav::remove(c, compte().agenda, std::nullopt).error.isEmpty());
        const dav::Created fait = dav::makeCalendar(
            c, m_serveur.url().resolved(QUrl(QStringLiteral("alice/"))), QStringLiteral("fetes"));
        QVERIFY2(fait.error.isEmpty() && fait.url == compte().agenda, qPrintable(fait.error));
        QVERIFY(surLeServeur().empty());
        const synchro::Bilan b = run();
        QVERIFY2(b.reussi, qPrintable(b.texte));
        QCOMPARE(tarvelon(), avant);
        QCOMPARE(run().ecritures, 0);
    }

    // A second computer on the same calendar, with a table of its own: it
    // never deletes the birthdays the first one published.
    void secondInstallation_leavesTheOthersEvents()
    {
        QVERIFY(run().reussi);
        const auto anniversaires = [this] {
            QStringList l;
            for (const auto& [nom, donnees] : surLeServeur())
                if (nom.startsWith(QStringLiteral("anniversaire-")))
                    l << nom;
            return l;
        };
        const QStringList deA = anniversaires();
        QVERIFY(!deA.isEmpty());
        const QByteArray etatA = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_maison.filePath(QStringLiteral("etat-b"))));
        const QString dbB = m_maison.filePath(QStringLiteral("b.db"));
        test::writeDatabase(dbB, {{"Georges", "23/04", "0000", "M"}});
        const synchro::Bilan b = synchro::synchroniser(compte(), QStringLiteral("secret"), dbB);
        qputenv("XDG_STATE_HOME", etatA);
        QVERIFY2(b.reussi && !b.texte.contains(QString::fromUtf8("supprimé")), qPrintable(b.texte));
        QCOMPARE(anniversaires(), deA);
    }

    // Two computers with the same calendar: the second finds every event as
    // it would write it and writes nothing; neither writes the other's
    // events back at the runs after (no ping-pong).
    void twoInstallations_sameTable_nothingWrittenTwice()
    {
        QVERIFY(run().reussi);
        const QString dbB = m_maison.filePath(QStringLiteral("meme.db"));
        QFile::remove(dbB);
        QVERIFY(QFile::copy(db(), dbB));
        const QByteArray etatA = qgetenv("XDG_STATE_HOME");
        const QByteArray etatB = QFile::encodeName(m_maison.filePath(QStringLiteral("etat-meme")));
        const auto chez = [&](const QByteArray& etat, const QString& base) {
            qputenv("XDG_STATE_HOME", etat);
            const synchro::Bilan b =
                synchro::synchroniser(compte(), QStringLiteral("secret"), base);
            qputenv("XDG_STATE_HOME", etatA);
            return b;
        };
        for (int tour = 0; tour < 2; ++tour) {
            synchro::Bilan b = chez(etatB, dbB);
            QVERIFY2(b.reussi && b.ecritures == 0, qPrintable(b.texte));
            b = chez(etatA, db());
            QVERIFY2(b.reussi && b.ecritures == 0, qPrintable(b.texte));
        }
    }
};

QTEST_GUILESS_MAIN(TestAgenda)
#include "test_agenda.moc"
