// Files as real programs write and read them, and as a hostile disk or user
// would hand them over: spreadsheets written back, UTF-16 address books,
// agendas taken back, files too large, links to devices, two imports at once.
#include "echange/echange.h"
#include "echange/vcard.h"
#include "fakes.h"
#include "platform/sqlite.h"
#include "store/calendrier.h"

#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using echange::Rapport;
using socle::Selection;

class TestFichiers : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString calendar(const std::vector<test::Row>& rows = {})
    {
        const QString file = path(QStringLiteral("cal%1.db").arg(++m_count));
        test::writeDatabase(file, rows);
        return file;
    }

    static QStringList rows(const QString& file) { return test::storedRows(file); }

    QString write(const QString& name, const QByteArray& bytes)
    {
        return test::writeFile(path(name), bytes);
    }

    static QByteArray read(const QString& file) { return test::readFile(file); }

    static Rapport import(const QString& db, const QString& file, int busy = socle::BusyTimeout)
    {
        platform::SqliteDatabase base;
        base.open(db, false);
        base.setBusyTimeout(busy);
        return echange::importer(base, file);
    }

    static Rapport exportTo(const QString& db, const QString& file, Selection selection)
    {
        platform::SqliteDatabase base;
        base.open(db, false);
        return echange::exporter(base, file, selection);
    }

private Q_SLOTS:
    // What spreadsheets write back comes in as it was; a French spreadsheet's
    // semicolons and Windows-1252.
    void csv_asSpreadsheetsWriteItBack()
    {
        const QString db = calendar();
        const Rapport r = import(
            db, write("tableur.csv", "Nom,Date,Annee,MF\r\nPaul,12/05,0,M\r\nLea,23/04/2026,1990,"
                                     "\r\nLuc,2026-04-23,----, \r\nZoe,5/3,0000,F\r\n"
                                     "Eve,01/01,'----, \r\n"));
        QVERIFY2(r.issue == Rapport::Reussi, qPrintable(r.texte));
        QCOMPARE(rows(db), (QStringList{"Paul|12/05|0000|M", "Lea|23/04|1990|", "Luc|23/04|----| ",
                                        "Zoe|05/03|0000|F", "Eve|01/01|----| "}));
        const QString fr = calendar();
        QCOMPARE(import(fr, write("fr.csv", "Nom;Date;Annee;MF\r\nH\xe9l\xe8ne;18/08;0;F\r\n"
                                            "\"Dupont; Jean\";01/03;1975; \r\n"))
                     .issue,
                 Rapport::Reussi);
        QCOMPARE(rows(fr), (QStringList{"Hélène|18/08|0000|F", "Dupont; Jean|01/03|1975| "}));
    }

    // What cannot be an entry refuses the file, whatever its format, with
    // the line named; nothing is added.
    void whatCannotBeAnEntry_refusedWithTheLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("where");
        const QByteArray h = "Nom,Date,Annee,MF\r\nBon,01/01,1980, \r\n";
        QTest::newRow("csv: a year that is no year") << "a.csv"
                                                     << h + "L\xc3\xa9"
                                                            "a,12/05,abcd,\r\n"
                                                     << "ligne 3 : l'année « abcd »";
        QTest::newRow("csv: no name") << "b.csv" << h + ",12/05,1980,\r\n"
                                      << "ligne 3 : le prénom est vide";
        QTest::newRow("csv: a sex code") << "c.csv" << h + "Paul,12/05,1980,Z\r\n"
                                         << "ligne 3 : le sexe « Z »";
        QTest::newRow("csv: a name on two lines")
            << "d.csv" << h + "\"Deux\r\nlignes\",12/05,1980,\r\n"
            << "ligne 3 : le prénom tient";
        QTest::newRow("csv: a NUL")
            << "e.csv" << h + QByteArray("A\0B,12/05,1980,\r\n", 18) << "encodage";
        QTest::newRow("csv: a year no agenda writes") << "f.csv" << h + "Paul,12/05,3500,\r\n"
                                                      << "ligne 3 : l'année « 3500 »";
        QTest::newRow("csv: a name too long")
            << "g.csv" << h + QByteArray(1001, 'x') + ",12/05,1980,\r\n"
            << "ligne 3 : le prénom a plus de 1";
        QTest::newRow("csv: nothing visible")
            << "n.csv" << h + "\xe2\x80\x8b\xe2\x80\x8b,12/05,1980,\r\n" // U+200B
            << "ligne 3 : le prénom n'a aucun caractère visible";
        const QByteArray c =
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Bon\r\nBDAY:19800101\r\nEND:VCARD\r\n";
        QTest::newRow("vcard: a minus before the year")
            << "h.vcf" << c + "BEGIN:VCARD\r\nFN:X\r\nBDAY:-1980-05-12\r\nEND:VCARD\r\n"
            << "ligne 8 : la date de naissance « -1980-05-12 »";
        QTest::newRow("vcard: dashes anywhere")
            << "i.vcf" << c + "BEGIN:VCARD\r\nFN:X\r\nBDAY:1-9-8-0-0-5-1-2\r\nEND:VCARD\r\n"
            << "ligne 8 : la date de naissance « 1-9-8-0-0-5-1-2 »";
        QTest::newRow("vcard: a year no agenda writes")
            << "j.vcf" << c + "BEGIN:VCARD\r\nFN:X\r\nBDAY:3500-05-12\r\nEND:VCARD\r\n"
            << "ligne 8 : la date de naissance « 3500-05-12 »";
        QTest::newRow("vcard: a name too long")
            << "k.vcf" << c + "BEGIN:VCARD\r\nFN:" + QByteArray(20000, 'x') + "\r\nEND:VCARD\r\n"
            << "ligne 7 : le prénom a plus de 1";
        QTest::newRow("vcard: UTF-16 without its mark")
            << "l.vcf" << QByteArray("B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D\0", 22)
            << "son encodage n'est pas un de ceux que Tarvelon lit";
        QTest::newRow("ics: not Tarvelon's")
            << "m.ics"
            << QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x@google.com\r\n"
                          "DTSTART;VALUE=DATE:20260101\r\nSUMMARY:Dentiste\r\nEND:VEVENT\r\n"
                          "END:VCALENDAR\r\n")
            << "cet agenda n'a pas été écrit par Tarvelon";
    }

    void whatCannotBeAnEntry_refusedWithTheLine()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, where);
        const QString db = calendar({{"Georges", "23/04", "0000", "M"}});
        const Rapport r = import(db, write(name, bytes));
        QCOMPARE(r.issue, Rapport::Illisible);
        QVERIFY2(r.texte.contains(where), qPrintable(r.texte.left(300)));
        QCOMPARE(rows(db).size(), 1);
    }

    // The bidirectional overrides that would show a name backwards are
    // dropped; the name itself comes in.
    void bidirectionalOverrides_dropped()
    {
        const QString db = calendar({{"Georges", "23/04", "0000", "M"}});
        const Rapport r = import(db, write("bidi.csv", "Nom,Date,Annee,MF\r\n"
                                                       "\xe2\x80\xae"
                                                       "luaP\xe2\x80\xac,12/05,1980,\r\n"));
        QCOMPARE(r.issue, Rapport::Reussi);
        QCOMPARE(rows(db).last(), QStringLiteral("luaP|12/05|1980|"));
    }

    // A file's own repeats all come in; again, nothing.
    void csvRestore_keepsIdenticalRows()
    {
        const QString db = calendar({{"Paul", "12/05", "1980", " "},
                                     {"Paul", "12/05", "1980", " "},
                                     {"Georges", "23/04", "0000", "M"}});
        QCOMPARE(exportTo(db, path("tout.csv"), Selection::Tout).issue, Rapport::Reussi);
        const QString fresh = calendar();
        QVERIFY(import(fresh, path("tout.csv")).texte.contains(QString::fromUtf8("3 entrées")));
        QCOMPARE(rows(fresh), rows(db));
        QVERIFY(import(fresh, path("tout.csv")).texte.contains(QString::fromUtf8("aucune entrée")));
        QCOMPARE(rows(fresh).size(), 3);
    }

    // Address books: a UID that stays from one export to the next and N;
    // an empty BDAY, the year 1604, UTF-16 and a hidden U+FEFF.
    void vcard_asAddressBooksWriteAndReadIt()
    {
        const QString db = calendar({{"Paul", "12/05", "1980", " "},
                                     {"Paul", "12/05", "1980", " "},
                                     {"Léa", "03/01", "----", " "}});
        exportTo(db, path("a.vcf"), Selection::Anniversaires);
        exportTo(db, path("b.vcf"), Selection::Anniversaires);
        const QByteArray a = read(path("a.vcf"));
        QCOMPARE(a, read(path("b.vcf")));
        QCOMPARE(a.count("\r\nUID:urn:uuid:"), 3);
        QCOMPARE(QSet<QByteArray>({a.split('\n')[2], a.split('\n')[9], a.split('\n')[16]}).size(),
                 3); // each card its own
        QVERIFY(a.contains("\r\nN:;Paul;;;\r\n") && a.contains("\r\nN:;Léa;;;\r\nBDAY:--0103\r\n"));

        const QString in = calendar();
        const QByteArray cards =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Paul\r\nBDAY:\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Lu\xef\xbb\xbf"
            "c\r\nBDAY:1990-01-02\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Iris\r\nBDAY:1604-07-03\r\nEND:VCARD\r\n";
        QVERIFY(import(in, write("e.vcf", cards)).issue == Rapport::Reussi);
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        const QByteArray bom = QByteArray("\xff\xfe") +
                               QByteArray(utf16.encode(QString::fromUtf8(
                                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Hélène\r\nBDAY:--0818\r\n"
                                   "END:VCARD\r\n")));
        const Rapport r = import(in, write("utf16.vcf", bom));
        QVERIFY2(r.issue == Rapport::Reussi, qPrintable(r.texte));
        QCOMPARE(rows(in),
                 (QStringList{"Luc|02/01|1990| ", "Iris|03/07|----| ", "Hélène|18/08|----| "}));
    }

    // An agenda Tarvelon exported is a backup: it comes back whole, and an
    // older export is read from its summaries.
    void icsExport_takenBackWhole()
    {
        const std::vector<test::Row> all = {
            {"Georges", "23/04", "0000", "M"}, {"Georgette", "23/04", "0000", "F"},
            {"Auguste", "29/02", "0000", ""},  {"Paul", "12/05", "1980", " "},
            {"Léa", "03/01", "----", " "},     {"Bissextin", "29/02", "1981", " "}};
        const QString db = calendar(all);
        QCOMPARE(exportTo(db, path("tout.ics"), Selection::Tout).issue, Rapport::Reussi);
        const QString back = calendar();
        const Rapport r = import(back, path("tout.ics"));
        QVERIFY2(r.texte.contains(QString::fromUtf8("6 entrées ajoutées")), qPrintable(r.texte));
        QStringList expected = rows(db), got = rows(back);
        expected.sort();
        got.sort();
        QCOMPARE(got, expected);
        QVERIFY(import(back, path("tout.ics")).texte.contains(QString::fromUtf8("aucune entrée")));

        const QByteArray older = QByteArray(read(path("tout.ics")))
                                     .replace(QByteArray("X-TARVELON-FICHE"), "X-AUTRE-CHOSE");
        const QString old = calendar();
        QCOMPARE(import(old, write("ancien.ics", older)).issue, Rapport::Reussi);
        got = rows(old);
        got.sort();
        QCOMPARE(got, (QStringList{"Auguste|29/02|0000|M", "Bissextin|29/02|----| ",
                                   "Georges|23/04|0000|M", "Georgette|23/04|0000|F",
                                   "Léa|03/01|----| ", "Paul|12/05|1980| "}));
        // A year no agenda can start in is written as no year, kept in the text.
        const QString far = calendar({{"Loin", "01/06", "3500", " "}});
        exportTo(far, path("loin.ics"), Selection::Tout);
        QVERIFY(read(path("loin.ics")).contains("DTSTART;VALUE=DATE:20000601"));
    }

    // A file too large is refused whole (a sparse file: no disk used).
    void tooLarge_refusedWhole()
    {
        QFile big(path("grand.csv"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write("Nom,Date,Annee,MF\r\nA,01/01,1980, \r\n");
        QVERIFY(big.resize(600ll << 20));
        big.close();
        const QString db = calendar();
        const Rapport r = import(db, big.fileName());
        QCOMPARE(r.issue, Rapport::Illisible);
        QVERIFY2(r.texte.contains(QStringLiteral("trop grand")), qPrintable(r.texte));
        QCOMPARE(rows(db).size(), 0);
    }

    // An export writes a regular file only: through a link to one (the link
    // stays), never over a device, a pipe or a folder.
    void export_onlyToARegularFile()
    {
        const QString db = calendar({{"Paul", "12/05", "1980", " "}});
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), path("nul.csv")));
        Rapport r = exportTo(db, path("nul.csv"), Selection::Tout);
        QCOMPARE(r.issue, Rapport::Illisible);
        QVERIFY2(r.texte.contains(QStringLiteral("pas un fichier ordinaire")), qPrintable(r.texte));
        QCOMPARE(QFileInfo(path("nul.csv")).symLinkTarget(), QStringLiteral("/dev/null"));

        write("vrai.csv", "ancien");
        QVERIFY(QFile::link(path("vrai.csv"), path("lien.csv")));
        QCOMPARE(exportTo(db, path("lien.csv"), Selection::Tout).issue, Rapport::Reussi);
        QVERIFY(QFileInfo(path("lien.csv")).isSymLink());
        QVERIFY(read(path("vrai.csv")).contains("Paul,12/05,1980"));

        QVERIFY(QDir().mkpath(path("dossier.csv")));
        r = exportTo(db, path("dossier.csv"), Selection::Tout);
        QVERIFY2(r.texte.contains(QStringLiteral("c'est un dossier")), qPrintable(r.texte));
        QVERIFY(QFile::link(path("boucle.vcf"), path("boucle.vcf")));
        r = import(db, path("boucle.vcf"));
        QVERIFY2(r.texte.contains(QStringLiteral("tournent en rond")), qPrintable(r.texte));
    }

    // Another program holding the file: the real reason, in French.
    void lockedCalendar_saysWhy()
    {
        const QString db = calendar();
        platform::SqliteDatabase other;
        QVERIFY(other.open(db, false));
        QVERIFY(other.exec("BEGIN IMMEDIATE"));
        const Rapport r =
            import(db, write("un.csv", "Nom,Date,Annee,MF\r\nA,01/01,1980, \r\n"), 50);
        QVERIFY2(r.texte.contains(QStringLiteral("occupé par un autre programme")),
                 qPrintable(r.texte));
        other.exec("ROLLBACK");
    }

    // Two imports of the same file at once add it once; no escape sequence
    // of a file reaches the terminal.
    void commandLine_twoAtOnceAndTheTerminal()
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        QByteArray cards;
        for (int i = 0; i < 10000; ++i)
            cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ami " + QByteArray::number(i) +
                     "\r\nBDAY:1990-01-01\r\nEND:VCARD\r\n";
        const QString vcf = write("amis.vcf", cards);
        const auto start = [&](const QStringList& args) {
            auto* p = new QProcess(this);
            p->setProcessEnvironment(env);
            p->start(QStringLiteral(TARVELON), args);
            return p;
        };
        start({"--exporter", path("vide.csv")})->waitForFinished(20000); // the calendar made
        QProcess* a = start({"--importer", vcf});
        QProcess* b = start({"--importer", vcf});
        QVERIFY(a->waitForFinished(60000) && b->waitForFinished(60000));
        QCOMPARE(a->exitCode() + b->exitCode(), 0);
        QCOMPARE(rows(home.path() + "/tarvelon/tarvelon.db").size(), 1051 + 10000);

        const QString evil =
            write("evil.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\x1b]0;pris\x07\r\n"
                              "BDAY:1990-13-45\x1b[2J\r\nEND:VCARD\r\n");
        QProcess* c = start({"--importer", evil});
        QVERIFY(c->waitForFinished(20000));
        const QByteArray said = c->readAllStandardOutput() + c->readAllStandardError();
        QVERIFY2(said.contains("illisible") && !said.contains('\x1b'), said.constData());
    }
};

QTEST_GUILESS_MAIN(TestFichiers)
#include "test_fichiers.moc"
