// Birthdays in and out: vCard, iCalendar and CSV, over real calendar files.
#include "echange/echange.h"
#include "echange/entree.h"
#include "fakes.h"
#include "platform/sqlite.h"
#include "socle/proches.h"
#include "store/calendrier.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <libical/ical.h>

using echange::Rapport;
using socle::Selection;
using store::openCalendar;

class TestEchange : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A fresh calendar of the given rows (none: the bundled calendar).
    QString calendar(const std::vector<test::Row>& rows = {})
    {
        const QString file = path(QStringLiteral("cal%1.db").arg(++m_count));
        if (rows.empty()) {
            platform::SqliteDatabase db;
            QString message;
            if (!openCalendar(db, file, &message))
                qWarning("%s", qPrintable(message));
        } else {
            test::writeDatabase(file, rows);
        }
        return file;
    }

    static QStringList rows(const QString& file) { return test::storedRows(file); }

    QString write(const QString& name, const QByteArray& bytes)
    {
        return test::writeFile(path(name), bytes);
    }

    static Rapport import(const QString& db, const QString& file)
    {
        platform::SqliteDatabase base;
        base.open(db, false);
        return echange::importer(base, file);
    }

    static Rapport exportTo(const QString& db, const QString& file, Selection selection)
    {
        platform::SqliteDatabase base;
        base.open(db, false);
        return echange::exporter(base, file, selection);
    }

    static QByteArray read(const QString& file) { return test::readFile(file); }

private Q_SLOTS:
    // Every birthday form that address books write.
    void vcard_everyForm()
    {
        const QString db = calendar({{"Georges", "23/04", "0000", "M"}});
        const QByteArray cards =
            // 2.1, quoted-printable over two lines, a charset, a name built from N.
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Dupr=E9;Ren=E9;;M.;\r\n"
            "BDAY:1985-04-12\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "FN;CHARSET=UTF-8;QUOTED-PRINTABLE:Am=C3=A9lie Po=\r\nulain\r\n"
            "BDAY:19900115T103000Z\r\nEND:VCARD\r\n"
            // 3.0: a folded line, an escaped comma, VALUE=DATE, a group.
            "BEGIN:VCARD\r\nVERSION:3.0\r\nitem1.FN:Jean\\, dit\r\n  Jeannot\r\n"
            "BDAY;VALUE=DATE:2001-02-28\r\nEND:VCARD\r\n"
            // 4.0 without a year, both ways; the year 0000 is no year.
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Léa\r\nBDAY:--0214\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Noé\r\nBDAY:--12-25\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zéro\r\nBDAY:0000-06-01\r\nEND:VCARD\r\n"
            // Apple's year to leave out; a card without a birthday.
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Pomme\r\n"
            "BDAY;X-APPLE-OMIT-YEAR=1604;VALUE=date:1604-07-03\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Sans Date\r\nTEL:0102030405\r\nEND:VCARD\r\n"
            // A name longer than the box: kept whole.
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Marie-Christine de La Tour d'Auvergne\r\n"
            "BDAY:19720229\r\nEND:VCARD\r\n";
        const Rapport r = import(db, write(QStringLiteral("contacts.vcf"), cards));
        QCOMPARE(r.issue, Rapport::Reussi);
        QCOMPARE(rows(db),
                 (QStringList{"Georges|23/04|0000|M", "M. René Dupré|12/04|1985| ",
                              "Amélie Poulain|15/01|1990| ", "Jean, dit Jeannot|28/02|2001| ",
                              "Léa|14/02|----| ", "Noé|25/12|----| ", "Zéro|01/06|----| ",
                              "Pomme|03/07|----| ",
                              "Marie-Christine de La Tour d'Auvergne|29/02|1972| "}));
        QVERIFY2(r.texte.contains(QString::fromUtf8("8 anniversaires ajoutés, aucun déjà présent, "
                                                    "1 carte sans anniversaire")),
                 qPrintable(r.texte));
        QVERIFY(r.texte.contains(QStringLiteral("gardés entiers : Marie-Christine de La Tour "
                                                "d'Auvergne.")));

        // Twice: nothing more. A birthday without a year is there when that
        // name already has a birthday on that day.
        const Rapport again = import(db, path(QStringLiteral("contacts.vcf")));
        QVERIFY(
            again.texte.contains(QString::fromUtf8("aucun anniversaire ajouté, 8 déjà présents")));
        write(QStringLiteral("sans-annee.vcf"),
              "BEGIN:VCARD\nVERSION:4.0\nFN:Amélie Poulain\nBDAY:--0115\nEND:VCARD\n");
        QVERIFY(import(db, path(QStringLiteral("sans-annee.vcf")))
                    .texte.contains(QString::fromUtf8("1 déjà présent")));
        QCOMPARE(rows(db).size(), 9);
    }

    // An Outlook card as a server hands it back after storing it: the soft
    // line break of a quoted-printable value kept, its parameter dropped.
    void vcard_quotedPrintableWithoutItsParameter()
    {
        const QString db = calendar({{"Georges", "23/04", "0000", "M"}});
        const Rapport r =
            import(db, write(QStringLiteral("servi.vcf"),
                             "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Pignon;Fran=C3=A7ois\r\n"
                             "FN:Fran=C3=A7ois =\r\nPignon=\r\n Junior\r\nBDAY:1970-05-06\r\n"
                             "NOTE:Ligne un=0D=0A=\r\nLigne deux=\r\nTEL:0102\r\nEND:VCARD\r\n"));
        QCOMPARE(r.issue, Rapport::Reussi);
        QCOMPARE(rows(db),
                 (QStringList{"Georges|23/04|0000|M", "François Pignon Junior|06/05|1970| "}));
    }

    // A file that cannot be read adds nothing, and says where.
    void brokenFiles_addNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("where");
        const QByteArray good = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bon\r\nBDAY:1980-01-01\r\n"
                                "END:VCARD\r\n";
        QTest::newRow("unfinished card") << "a.vcf" << good + "BEGIN:VCARD\r\nFN:X\r\n"
                                         << "ligne 6 : la carte commencée ici";
        QTest::newRow("bad birthday")
            << "b.vcf" << good + "BEGIN:VCARD\r\nFN:X\r\nBDAY:1980-13-45\r\nEND:VCARD\r\n"
            << "ligne 8 : la date de naissance « 1980-13-45 »";
        QTest::newRow("an agenda, not contacts")
            << "c.vcf" << QByteArray("BEGIN:VCALENDAR\r\n") << "ligne 1 : « BEGIN:VCALENDAR »";
        QTest::newRow("no card at all")
            << "d.vcf" << QByteArray("\r\n\r\n") << "ligne 1 : ce fichier ne contient aucune carte";
        QTest::newRow("csv: a day that does not exist")
            << "e.csv" << QByteArray("Nom,Date,Annee,MF\r\nBon,01/01,1980, \r\nX,31/04,1990,\r\n")
            << "ligne 3 : le jour « 31/04 » n'existe pas";
        QTest::newRow("csv: a missing field")
            << "f.csv"
            << QByteArray("Nom,Date,Annee,MF\r\nBon,01/01,1980, \r\n\"Deux\r\nlignes\",02/02\r\n")
            << "ligne 3 : il manque un champ";
        QTest::newRow("csv: a quote never closed")
            << "g.csv"
            << QByteArray("Nom,Date,Annee,MF\r\nBon,01/01,1980, \r\n\"Ouvert,02/02,1,\r\n")
            << "ligne 3 : un guillemet ouvert";
    }

    void brokenFiles_addNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, where);
        const QString db = calendar({{"Georges", "23/04", "0000", "M"}});
        const Rapport r = import(db, write(name, bytes));
        QCOMPARE(r.issue, Rapport::Illisible);
        QVERIFY2(r.texte.contains(where), qPrintable(r.texte));
        QVERIFY(r.texte.startsWith(QString::fromUtf8("Rien n'a été importé de ")));
        QCOMPARE(rows(db), QStringList{"Georges|23/04|0000|M"});
    }

    // Exported with libical, read back with libical: every yearly occurrence
    // of 2025-2029 on its day, 29 February on the 28th of common years.
    void icalendar_occurrencesAndStableUids()
    {
        const QString db = calendar({{"Georges", "23/04", "0000", "M"},
                                     {"Adalbert", "23/04", "0000", "M"},
                                     {"Auguste", "29/02", "0000", "M"},
                                     {"Paul", "12/05", "1980", " "},
                                     {"Bissextile", "29/02", "1980", " "},
                                     {"Anne", "01/01", "----", " "}});
        const QString file = path(QStringLiteral("agenda.ics"));
        QCOMPARE(exportTo(db, file, Selection::Tout).issue, Rapport::Reussi);
        const QByteArray first = read(file);

        icalcomponent* agenda = icalparser_parse_string(first.constData());
        QVERIFY(agenda);
        QMap<QString, QStringList> days; // summary -> occurrences
        QStringList uids;
        for (icalcomponent* e = icalcomponent_get_first_component(agenda, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(agenda, ICAL_VEVENT_COMPONENT)) {
            const QString summary = QString::fromUtf8(icalcomponent_get_summary(e));
            uids << QString::fromUtf8(icalcomponent_get_uid(e));
            QCOMPARE(
                icalproperty_get_transp(icalcomponent_get_first_property(e, ICAL_TRANSP_PROPERTY)),
                ICAL_TRANSP_TRANSPARENT);
            QVERIFY(icalcomponent_get_dtstart(e).is_date);
            icalproperty* rrule = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY);
            icalrecur_iterator* it =
                icalrecur_iterator_new(icalproperty_get_rrule(rrule), icalcomponent_get_dtstart(e));
            for (icaltimetype t = icalrecur_iterator_next(it);
                 !icaltime_is_null_time(t) && t.year <= 2029; t = icalrecur_iterator_next(it))
                if (t.year >= 2025)
                    days[summary] << QDate(t.year, t.month, t.day).toString(Qt::ISODate);
            icalrecur_iterator_free(it);
        }
        icalcomponent_free(agenda);

        QCOMPARE(
            days.value(QString::fromUtf8("Fête des Georges et Adalbert")),
            (QStringList{"2025-04-23", "2026-04-23", "2027-04-23", "2028-04-23", "2029-04-23"}));
        QCOMPARE(
            days.value(QStringLiteral("Anniversaire de Paul (1980)")),
            (QStringList{"2025-05-12", "2026-05-12", "2027-05-12", "2028-05-12", "2029-05-12"}));
        const QStringList leap = {"2025-02-28", "2026-02-28", "2027-02-28", "2028-02-29",
                                  "2029-02-28"};
        QCOMPARE(days.value(QStringLiteral("Anniversaire de Bissextile (1980)")), leap);
        QCOMPARE(days.value(QString::fromUtf8("Fête des Auguste")), leap);
        QCOMPARE(days.value(QStringLiteral("Anniversaire d'Anne")).first(),
                 QStringLiteral("2025-01-01"));
        QCOMPARE(days.size(), 5);

        // A second export: the same UIDs.
        QCOMPARE(exportTo(db, file, Selection::Anniversaires).issue, Rapport::Reussi);
        const QByteArray second = read(file);
        for (const QString& uid : uids)
            QCOMPARE(second.contains(uid.toUtf8()), !uid.startsWith(QStringLiteral("fetes-")));
    }

    void csv_roundTripGivesTheSameBytes()
    {
        const QString db = calendar(); // the bundled calendar...
        const QString file = path(QStringLiteral("tout.csv"));
        write(QStringLiteral("ajout.csv"),
              "Nom,Date,Annee,MF\r\n\"Dupont, Jean\",01/03,1975,\" \"\r\n"
              "\"Le \"\"Grand\"\"\",02/03,----,\" \"\r\n"
              "Ünïcödé,03/03,1901,\r\n");
        QCOMPARE(import(db, path(QStringLiteral("ajout.csv"))).issue,
                 Rapport::Reussi); // ...and more
        QCOMPARE(exportTo(db, file, Selection::Tout).issue, Rapport::Reussi);
        const QByteArray first = read(file);
        QVERIFY(first.startsWith("Nom,Date,Annee,MF\r\nMarie,01/01,0000,F\r\n"));

        const QString fresh = calendar();
        const Rapport r = import(fresh, file);
        QVERIFY2(r.texte.contains(QString::fromUtf8("3 entrées ajoutées, 1")) &&
                     r.texte.endsWith(QString::fromUtf8("051 déjà présentes.")),
                 qPrintable(r.texte));
        QCOMPARE(exportTo(fresh, file, Selection::Tout).issue, Rapport::Reussi);
        QCOMPARE(read(file), first);
    }

    // Tarvelon's own backup restores whatever the table may hold (what the
    // window lets through, what the old database brought): the same rows in
    // the same order, repeats included, through the spreadsheet and through
    // the agenda.
    void ownBackup_restoresExactly_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::newRow("csv") << "sauvegarde.csv";
        QTest::newRow("ics") << "sauvegarde.ics";
    }
    void ownBackup_restoresExactly()
    {
        QFETCH(QString, fichier);
        const QString longName(echange::LongueurMaxNom, QChar(u'é'));
        const QString db = calendar({{"Zoé", "01/06", "abcd", " "},
                                     {"Georges", "23/04", "0000", "M"},
                                     {"Sans sexe", "02/06", "1980", ""},
                                     {"Léa", "03/01", "----", " "},
                                     {"Georges", "23/04", "0000", "M"},
                                     {longName.toStdString(), "04/06", "1975", " "},
                                     {"Jean \"Jeannot\"", "04/07", "1990", " "},
                                     {"Pierre; Paul", "05/07", "0000", "M"},
                                     {"=SOMME(A1)", "06/07", "1985", " "},
                                     {"-Marie", "07/07", "0000", "F"},
                                     {"@Alex", "09/07", "12", "X"},
                                     {"Année vide", "10/07", "", ""},
                                     {"Blancs", "11/07", " 19 ", "M"},
                                     {"Zoé", "01/06", "abcd", " "}});
        const QStringList avant = rows(db);
        QCOMPARE(exportTo(db, path(fichier), Selection::Tout).issue, Rapport::Reussi);
        const QString vide = calendar({{"x", "01/01", "0000", "M"}});
        {
            platform::SqliteDatabase base;
            QVERIFY(base.open(vide, false) && base.exec("DELETE FROM Fetes"));
        }
        const Rapport r = import(vide, path(fichier));
        QVERIFY2(r.issue == Rapport::Reussi, qPrintable(r.texte));
        QCOMPARE(rows(vide), avant);

        // Another program's file keeps the checks.
        write(QStringLiteral("autre.csv"), "Nom;Date;Annee;MF\nZoé;01/06;abcd; \n");
        QCOMPARE(import(vide, path(QStringLiteral("autre.csv"))).issue, Rapport::Illisible);
    }

    void vcardExport_reimportedAddsNothing()
    {
        const QString db = calendar({{"Paul", "12/05", "1980", " "},
                                     {"Jean; dit, \\Jeannot\\ avec un nom si long qu'il se plie "
                                      "sur plusieurs lignes du fichier de contacts",
                                      "01/02", "2001", " "},
                                     {"Léa", "14/02", "----", " "},
                                     {"Drôle", "03/03", "19a0", " "},
                                     {"Georges", "23/04", "0000", "M"}});
        const QString file = path(QStringLiteral("contacts.vcf"));
        const Rapport r = exportTo(db, file, Selection::Tout);
        QVERIFY2(r.texte.contains(QStringLiteral("4 anniversaires")), qPrintable(r.texte));
        const QByteArray bytes = read(file);
        QVERIFY(bytes.contains("BDAY:19800512\r\n") && bytes.contains("BDAY:--0214\r\n"));
        for (const QByteArray& line : bytes.split('\n'))
            QVERIFY(line.size() <= 76); // 75 octets and the CR
        const QStringList before = rows(db);
        QVERIFY(import(db, file).texte.contains(QString::fromUtf8("aucun anniversaire ajouté")));
        QCOMPARE(rows(db), before);
    }

    void usageAndUnwritableFiles()
    {
        const QString db = calendar({{"Paul", "12/05", "1980", " "}});
        QCOMPARE(import(db, path(QStringLiteral("absent.vcf"))).issue, Rapport::Illisible);
        QCOMPARE(import(db, path(QStringLiteral("notes.txt"))).issue, Rapport::Usage);
        QCOMPARE(exportTo(db, path(QStringLiteral("x.txt")), Selection::Tout).issue,
                 Rapport::Usage);
        QCOMPARE(exportTo(db, path(QStringLiteral("x.vcf")), Selection::Fetes).issue,
                 Rapport::Usage);
        const Rapport r =
            exportTo(db, path(QStringLiteral("pas/de/dossier/x.csv")), Selection::Tout);
        QCOMPARE(r.issue, Rapport::Illisible);
        QVERIFY(r.texte.contains(QString::fromUtf8("ne peut pas être écrit")));
    }

    // A contacts file's people: every card with a name, with or without a
    // birthday, wished by N's given names; a card imported again keeps the
    // user's choice and is not counted again; a card with no name is not one.
    void vcardPeople()
    {
        const QString db = calendar();
        const QString vcf =
            write(QStringLiteral("proches.vcf"),
                  "BEGIN:VCARD\nVERSION:3.0\nUID:a\nFN:Dupont Jean\nN:Dupont;Jean;;;\n"
                  "BDAY:1980-05-12\nEND:VCARD\n"
                  "BEGIN:VCARD\nVERSION:3.0\nFN:Hélène Martin\nN:Martin;Hélène;;;\nEND:VCARD\n"
                  "BEGIN:VCARD\nVERSION:3.0\nBDAY:1990-01-01\nEND:VCARD\n");
        const auto personnes = [&db] {
            platform::SqliteDatabase base;
            base.open(db, false);
            std::vector<socle::Proche> p;
            socle::lireProches(base, p);
            return p;
        };
        Rapport r = import(db, vcf);
        QVERIFY2(r.texte.endsWith(QString::fromUtf8("2 proches ajoutés.")), qPrintable(r.texte));
        std::vector<socle::Proche> p = personnes();
        QCOMPARE(p.size(), size_t(2));
        QCOMPARE(p[0].cle + '|' + p[0].prenoms + '|' + p[0].jour, std::string("uid:a|Jean|31/01"));
        QVERIFY(p[0].fiche != 0);
        QCOMPARE(p[1].prenoms + '|' + p[1].jour + '|' + p[1].fete,
                 std::string("Hélène|18/08|Hélène"));
        QCOMPARE(p[1].fiche, 0);

        p[0].jour = "24/06";
        p[0].jourChoisi = true;
        {
            platform::SqliteDatabase base;
            base.open(db, false);
            QCOMPARE(socle::ecrireProche(base, p[0]), int(socle::SqliteOk));
        }
        r = import(db, vcf);
        QVERIFY2(!r.texte.contains(QString::fromUtf8("ajouté.")), qPrintable(r.texte));
        QCOMPARE(personnes(), p);
    }

    // tarvelon's command line: no display, the report, the exit statuses.
    void commandLine()
    {
        QTemporaryDir home;
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        const auto run = [&env](const QStringList& args) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(TARVELON), args);
            p.waitForFinished(20000);
            return std::make_tuple(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                                   QString::fromUtf8(p.readAllStandardError()));
        };
        const QString vcf = write(QStringLiteral("cli.vcf"),
                                  "BEGIN:VCARD\nVERSION:4.0\nFN:Zoé\nBDAY:2015-06-01\nEND:VCARD\n");
        auto [code, out, err] = run({"--importer", vcf});
        QCOMPARE(code, 0);
        QVERIFY2(out.contains(QString::fromUtf8("1 anniversaire ajouté")), qPrintable(out + err));
        QVERIFY2(out.contains(QString::fromUtf8("1 proche ajouté.")), qPrintable(out));
        std::tie(code, out, err) =
            run({"--exporter", path(QStringLiteral("cli.ics")), "--anniversaires"});
        QCOMPARE(code, 0);
        QVERIFY(
            read(path(QStringLiteral("cli.ics"))).contains("SUMMARY:Anniversaire de Zoé (2015)"));
        // The birthday entry is a person, wished on its name day; with a day,
        // the people to wish then.
        std::tie(code, out, err) = run({"--proches"});
        QCOMPARE(code, 0);
        QCOMPARE(out, QString::fromUtf8("Zoé\t02/05\tZoé\t01/06/2015\tfichier:cli.vcf\toui\n"));
        std::tie(code, out, err) = run({"--proches", "2026-05-02"});
        QCOMPARE(out, QString::fromUtf8("Zoé\t02/05\tZoé\t01/06/2015\tfichier:cli.vcf\toui\n"));
        std::tie(code, out, err) = run({"--proches", "2026-05-03"});
        QCOMPARE(std::tie(code, out), std::make_tuple(0, QString()));
        std::tie(code, out, err) = run({"--importer", path(QStringLiteral("absent.csv"))});
        QCOMPARE(code, 1);
        QVERIFY(err.contains(QStringLiteral("il n'existe pas")));
        for (const QStringList& bad :
             {QStringList{"--exporter", "x.txt"}, QStringList{"--importer", vcf, "--fetes"},
              QStringList{"--exporter"}, QStringList{"--importer", vcf, "--bruit"},
              QStringList{"--bureau", "peut-etre"}, QStringList{"--compte", "https://exemple.fr"},
              QStringList{"--proches", "02/05/2026"}, QStringList{"--proches", "--importer", vcf},
              QStringList{"--compte", "https://exemple.fr", "u", "--proches-publies", "peut-etre"},
              QStringList{"--synchroniser", "--rappel", "jour"}}) {
            std::tie(code, out, err) = run(bad);
            QCOMPARE(code, 2); // never the window, even with no display
            QVERIFY(err.contains(QStringLiteral("tarvelon --help")));
        }
        QVERIFY2(err.contains(QString::fromUtf8("vont avec --compte")), qPrintable(err));
        std::tie(code, out, err) = run({"--bureaux", "oui"});
        QVERIFY2(err.contains(QString::fromUtf8("option inconnue « --bureaux »")), qPrintable(err));
        // A damaged account file is said so (status 1), never "no account";
        // one of megabytes is not even read.
        const QString ini = home.filePath(QStringLiteral(".config/tarvelon/compte.ini"));
        QDir().mkpath(QFileInfo(ini).absolutePath());
        test::writeFile(ini, QByteArray("\x01\x02[serveur\nadresse\n", 19));
        std::tie(code, out, err) = run({"--synchroniser"});
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(QString::fromUtf8("est endommagé")), qPrintable(err));
        test::writeFile(ini, QByteArray(2 * 1024 * 1024, 'x'));
        std::tie(code, out, err) = run({"--synchroniser"});
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(QStringLiteral("trop grand")), qPrintable(err));
        // No keyring in this session: said in French, never the keyring's
        // own English words.
        test::writeFile(ini, "[serveur]\nadresse=http://127.0.0.1:9/\nutilisateur=alice\n");
        std::tie(code, out, err) = run({"--synchroniser"});
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(QStringLiteral("trousseau")) &&
                     !err.contains(QStringLiteral("D-Bus")) &&
                     !err.contains(QStringLiteral("Cannot")),
                 qPrintable(err));
        QFile::remove(ini);
        // The parser's own forms: --option=valeur.
        std::tie(code, out, err) =
            run({"--exporter=" + path(QStringLiteral("egal.csv")), "--anniversaires"});
        QCOMPARE(code, 0);
        QVERIFY(read(path(QStringLiteral("egal.csv"))).contains("Zoé"));
        std::tie(code, out, err) = run({"--help"});
        QCOMPARE(code, 0);
        QVERIFY(out.contains(QStringLiteral("--importer")) &&
                out.contains(QStringLiteral("--exporter")));
        // The window with no screen: French words and status 1, never Qt's
        // English abort; Qt's own chatter stays off the terminal.
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*=true"));
        std::tie(code, out, err) = run({});
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(QString::fromUtf8("aucun écran n'est disponible")) &&
                     !err.contains(QStringLiteral("qt.")),
                 qPrintable(err));
        std::tie(code, out, err) = run({"--synchroniser"});
        QVERIFY2(!err.contains(QStringLiteral("qt.")), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestEchange)
#include "test_echange.moc"
