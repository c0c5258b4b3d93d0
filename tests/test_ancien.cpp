// The old installation brought over: its Access databases (made by an
// independent writer, with their rows beside them), its settings, its sounds,
// and the question of the first start.
#include "ancien/ancien.h"
#include "fakes.h"
#include "module/parametres.h"
#include "platform/sqlite.h"
#include "store/calendrier.h"
#include "windows/echange/fenetre.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using ancien::TableAccess;

namespace {

const QString Donnees = QStringLiteral(TARVELON_DONNEES "/mdb/");

QByteArray lire(const QString& fichier)
{
    QFile f(fichier);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A table as the .tsv files beside the databases write it: NULL as \N,
// tab, line ends and backslash escaped.
QStringList enTsv(const TableAccess& table)
{
    QStringList lignes;
    for (const auto& ligne : table.lignes) {
        QStringList champs;
        for (const auto& champ : ligne) {
            QString texte = champ ? QString::fromStdString(*champ) : QStringLiteral("\\N");
            if (champ)
                texte.replace('\\', "\\\\")
                    .replace('\t', "\\t")
                    .replace('\n', "\\n")
                    .replace('\r', "\\r");
            champs << texte;
        }
        lignes << champs.join('\t');
    }
    return lignes;
}

QStringList tsv(const QString& fichier)
{
    QStringList lignes = QString::fromUtf8(lire(fichier)).split('\n');
    if (!lignes.isEmpty() && lignes.last().isEmpty())
        lignes.removeLast();
    return lignes;
}

QByteArray son()
{
    return QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(28, '\1');
}

} // namespace

class TestAncien : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // An empty calendar, or the bundled one.
    QString calendar(bool bundled = false)
    {
        const QString file = path(QStringLiteral("cal%1.db").arg(++m_count));
        if (bundled) {
            platform::SqliteDatabase db;
            QString message;
            store::openCalendar(db, file, &message);
        } else {
            test::writeDatabase(file, {});
        }
        return file;
    }

    static QStringList rows(const QString& file) { return test::storedRows(file, '\t'); }

    echange::Rapport import(const QString& db, const QString& what, const QString& home = {})
    {
        platform::SqliteDatabase base;
        base.open(db, false);
        return ancien::importer(base, what, home.isEmpty() ? path("home/") : home);
    }

private Q_SLOTS:
    void initTestCase() { ancien::lecteurSlot() = TARVELON_LECTEUR; }

    void reader_givesExactlyTheRowsBeside_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("rows");
        const QStringList fetes{"Nom", "Date", "Annee", "MF"};
        QTest::newRow("Access 2000") << "tarvelon-2000.mdb"
                                     << "Fetes" << fetes << "tarvelon-2000.tsv";
        QTest::newRow("Access 2002-2003") << "tarvelon-2003.mdb"
                                          << "Fetes" << fetes << "tarvelon-2003.tsv";
        QTest::newRow("Access 2007") << "tarvelon-2007.accdb"
                                     << "fetes" << fetes << "tarvelon-2007.tsv";
        QTest::newRow("Access 97") << "jet3/delTestV1997.mdb"
                                   << "Table" << QStringList{"a", "b"} << "jet3/delTestV1997.tsv";
        QTest::newRow("Access 97, Windows-1252")
            << "jet3/testIndexCodesV1997.mdb"
            << "Table1" << QStringList{"NAME", "data"} << "jet3/testIndexCodesV1997.Table1.tsv";
    }

    void reader_givesExactlyTheRowsBeside()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        QFETCH(QString, rows);
        std::vector<std::string> champs;
        for (const QString& f : fields)
            champs.push_back(f.toStdString());
        const TableAccess lu = ancien::lireTableAccess(
            QFile::encodeName(Donnees + file).toStdString(), table.toStdString(), champs);
        QCOMPARE(int(lu.issue), int(TableAccess::Lue));
        QCOMPARE(enTsv(lu), tsv(Donnees + rows));
    }

    // Into an empty calendar: each row as it is, in the file's order; a NULL
    // reads as an empty text, a NULL year by the row's MF.
    void import_rowsAsTheyAre_onceOnly()
    {
        const QString db = calendar();
        const echange::Rapport r = import(db, Donnees + "tarvelon-2003.mdb");
        QCOMPARE(int(r.issue), int(echange::Rapport::Reussi));
        QStringList expected = tsv(Donnees + "tarvelon-2003.tsv");
        expected.replaceInStrings(QStringLiteral("\\N\tM"), QStringLiteral("0000\tM"));
        expected.replaceInStrings(QStringLiteral("\\N"), QString());
        QCOMPARE(rows(db), expected);
        QVERIFY2(r.texte.contains(QString::fromUtf8("27 entrées ajoutées")), qPrintable(r.texte));
        QVERIFY(r.texte.contains(QString::fromUtf8("1 entrée sans année")));
        QVERIFY(!r.texte.contains(QString::fromUtf8("gardées entières")));

        const echange::Rapport again = import(db, Donnees + "tarvelon-2000.mdb");
        QVERIFY2(
            again.texte.contains(QString::fromUtf8("aucune entrée ajoutée, 27 déjà présentes")),
            qPrintable(again.texte));
        QCOMPARE(rows(db).size(), 27);
    }

    void nullYearAndLongValues_placedAndNamed()
    {
        const TableAccess table =
            ancien::lireSortieDuLecteur("TARVELON-ACCESS 1\nLIGNES\t3\n"
                                        "Maximilien-Alexandre de la Tour\t12/05\t\\N\t\\N\n"
                                        "Anne\t03/01\t\\N\tF\n"
                                        "Luc\t123456\t1980\t \nFIN\t3\n",
                                        4);
        const QString db = calendar();
        platform::SqliteDatabase base;
        base.open(db, false);
        const echange::Rapport r = ancien::importerTable(base, "x.mdb", table);
        QCOMPARE(rows(db), (QStringList{"Maximilien-Alexandre de la Tour\t12/05\t----\t",
                                        "Anne\t03/01\t0000\tF"}));
        QVERIFY2(r.texte.contains(QString::fromUtf8("2 entrées sans année")), qPrintable(r.texte));
        QVERIFY(r.texte.contains(QString::fromUtf8("1 rangée avec les fêtes")));
        QVERIFY(r.texte.contains(
            QString::fromUtf8("« Maximilien-Alexandre de la Tour » (Prénom, 31 caractères)")));
        // A day that does not exist is no entry: left out, and named.
        QVERIFY2(r.texte.contains(
                     QString::fromUtf8("Laissées de côté : « Luc » (le jour « 123456 » n'existe "
                                       "pas).")),
                 qPrintable(r.texte));
    }

    // The old database's rows under the rules that protect the file and
    // the terminal; what the old program let through otherwise comes in, and
    // Tarvelon's own backup then restores it whole.
    void oldRows_underTheImportsRules()
    {
        QByteArray sortie = "TARVELON-ACCESS 1\nLIGNES\t9\n" + QByteArray(2800, 'a') +
                            "\t01/01\t1980\t \n"
                            "Esc\x1b[2Jape\t02/01\t1981\t \n"
                            "Sur\\ndeux lignes\t03/01\t1982\t \n"
                            "Février\t31/02\t1983\t \n"
                            "Futur\t04/01\t99999\t \n"
                            "Zed\t05/01\t0000\tZ\n"
                            "Court\t6/1\tab\t\n"
                            "\\N\t\\N\t\\N\t\\N\n"
                            "\t\t\t\nFIN\t9\n";
        const TableAccess table = ancien::lireSortieDuLecteur(sortie.toStdString(), 4);
        QCOMPARE(table.lignes.size(), size_t(9));
        const QString db = calendar();
        {
            platform::SqliteDatabase base;
            base.open(db, false);
            QVERIFY(base.exec("DELETE FROM Fetes"));
            const echange::Rapport r = ancien::importerTable(base, "x.mdb", table);
            QVERIFY2(r.texte.contains(QString::fromUtf8("4 entrées ajoutées")),
                     qPrintable(r.texte));
            for (const char* dit :
                 {"« aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa… » (le prénom a plus de 1000 "
                  "caractères)",
                  "« Février » (le jour « 31/02 » n'existe pas)",
                  "« Futur » (l'année « 99999 » a plus de 4 caractères)",
                  "« Esc [2Jape » (caractères de contrôle remplacés par des espaces)",
                  "« Court » (le jour « 6/1 » écrit 06/01)", "2 rangées vides laissées de côté"})
                QVERIFY2(r.texte.contains(QString::fromUtf8(dit)), qPrintable(r.texte));
            for (const QChar c : r.texte)
                QVERIFY(c == QLatin1Char('\n') || c.category() != QChar::Other_Control);
        }
        QCOMPARE(rows(db),
                 (QStringList{"Esc [2Jape\t02/01\t1981\t ", "Sur deux lignes\t03/01\t1982\t ",
                              "Zed\t05/01\t0000\tZ", "Court\t06/01\tab\t"}));
        platform::SqliteDatabase base;
        base.open(db, false);
        const QString csv = m_dir.filePath(QStringLiteral("ancien.csv"));
        QCOMPARE(int(echange::exporter(base, csv, socle::Selection::Tout).issue),
                 int(echange::Rapport::Reussi));
        QVERIFY(base.exec("DELETE FROM Fetes"));
        QCOMPARE(int(echange::importer(base, csv).issue), int(echange::Rapport::Reussi));
        base.close();
        QCOMPARE(rows(db).size(), 4);
    }

    void brokenFiles_toldAndNothingAdded_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = lire(Donnees + "tarvelon-2000.mdb");
        QTest::newRow("no Fetes") << lire(Donnees + "autre-table.mdb")
                                  << "la base ne contient pas de table Fetes";
        QTest::newRow("no MF") << lire(Donnees + "fetes-colonnes.mdb")
                               << "la table Fetes n'a pas le champ MF";
        QTest::newRow("empty") << QByteArray() << "le fichier est vide";
        QTest::newRow("zeros") << QByteArray(65536, '\0') << "pas une base de données Access";
        QTest::newRow("text") << QByteArray("Nom;Date\n").repeated(900)
                              << "pas une base de données Access";
        QTest::newRow("cut in a page") << good.left(100000) << "le fichier est coupé";
        QTest::newRow("cut at a page") << good.left(65536) << "le fichier est coupé";
        QTest::newRow("data pages gone") << good.left(106496) << "le fichier est incomplet";
        QByteArray future = good;
        future[0x14] = '\x2a';
        QTest::newRow("unknown version") << future << "version d'Access";
    }

    void brokenFiles_toldAndNothingAdded()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QFile f(path("broken.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        const QString db = calendar();
        const echange::Rapport r = import(db, f.fileName());
        QCOMPARE(int(r.issue), int(echange::Rapport::Illisible));
        QVERIFY2(r.texte.contains(reason), qPrintable(r.texte));
        QVERIFY(r.texte.startsWith(QString::fromUtf8("Rien n'a été importé")));
        QCOMPARE(rows(db), QStringList{});
    }

    // A reader that crashes (libmdb on a hostile file) takes nothing down.
    void crashingReader_toldAsDamaged()
    {
        const QString script = path("lecteur.sh");
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho 'TARVELON-ACCESS 1'\necho 'LIGNES\t27'\nkill -SEGV $$\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString db = calendar();
        ancien::lecteurSlot() = QFile::encodeName(script).toStdString();
        const echange::Rapport r = import(db, Donnees + "tarvelon-2000.mdb");
        ancien::lecteurSlot() = TARVELON_LECTEUR;
        QVERIFY2(r.texte.contains(QString::fromUtf8("endommagé")), qPrintable(r.texte));
        QCOMPARE(rows(db), QStringList{});
    }

    // The old folder: its database, its settings when the user has none, the
    // sounds they name that the user does not have; nothing replaced.
    void folder_bringsWhatTheUserLacks()
    {
        const QString old = path("c_tarvelon/");
        QDir().mkpath(old);
        QFile::copy(Donnees + "tarvelon-2000.mdb", old + "TARVELON.MDB");
        const QByteArray inf = "[Defaut]\r\nBeep=carillon.wav\r\n[SonsWav]\r\n25/12=No\xEBl.wav\r\n"
                               "01/01=absent.wav\r\n02/02=..\\..\\x.wav\r\n03/03=notes.txt\r\n";
        for (const auto& [name, bytes] : {std::pair{"tarvelon.inf", inf},
                                          {"carillon.wav", son()},
                                          {"NO\xC3\x8BL.WAV", son()},
                                          {"notes.txt", "x"}}) {
            QFile f(old + QString::fromUtf8(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        const QString home = path("home1/");
        QDir().mkpath(home);
        const QString db = calendar(true);
        const echange::Rapport r = import(db, old, home);
        QCOMPARE(int(r.issue), int(echange::Rapport::Reussi));
        const QString t = r.texte;
        QVERIFY2(t.contains(QString::fromUtf8("9 entrées ajoutées")), qPrintable(t));
        QVERIFY(t.contains(QString::fromUtf8("tarvelon.inf repris")));
        QVERIFY(t.contains(QString::fromUtf8("carillon.wav et Noël.wav repris")));
        QVERIFY(t.contains(QString::fromUtf8("absent.wav : absent du dossier")));
        QVERIFY(t.contains(QString::fromUtf8("notes.txt : pas un son WAVE")));
        QVERIFY(t.contains(QString::fromUtf8("..\\..\\x.wav (un chemin hors du dossier")));
        QCOMPARE(lire(home + "tarvelon.inf"), inf);
        QCOMPARE(lire(home + QString::fromUtf8("Noël.wav")), son());
        QCOMPARE(QDir(home).entryList(QDir::Files).size(), 3);

        // Once more, with settings and a sound of the user's own: kept.
        const QString home2 = path("home2/");
        QDir().mkpath(home2);
        for (const char* name : {"tarvelon.inf", "carillon.wav"}) {
            QFile f(home2 + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("à moi");
        }
        const echange::Rapport again = import(db, old, home2);
        QVERIFY2(again.texte.contains(QString::fromUtf8("aucune entrée ajoutée")),
                 qPrintable(again.texte));
        QVERIFY(again.texte.contains(QString::fromUtf8("vous avez déjà les vôtres")));
        QVERIFY(again.texte.contains(QString::fromUtf8("carillon.wav déjà chez vous")));
        QCOMPARE(lire(home2 + "tarvelon.inf"), QByteArray("à moi"));
        QCOMPARE(lire(home2 + "carillon.wav"), QByteArray("à moi"));
        QVERIFY(lire(home2 + QString::fromUtf8("Noël.wav")) == son());

        const echange::Rapport none = import(db, path("home1"));
        QCOMPARE(int(none.issue), int(echange::Rapport::Illisible));
        QVERIFY(none.texte.contains(QStringLiteral("ne contient pas tarvelon.mdb")));
    }

    // tarvelon --importer, with no display: the report, the exit statuses.
    void commandLine_importsFileAndFolder()
    {
        QTemporaryDir home;
        const auto run = [&home](const QString& what) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(TARVELON), {QStringLiteral("--importer"), what});
            p.waitForFinished(20000);
            return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() +
                                                                  p.readAllStandardError()));
        };
        auto [code, out] = run(Donnees + "tarvelon-2000.mdb");
        QCOMPARE(code, 0);
        QVERIFY2(out.contains(QString::fromUtf8("9 entrées ajoutées")), qPrintable(out));
        std::tie(code, out) = run(Donnees + "autre-table.mdb");
        QCOMPARE(code, 1);
        QVERIFY(out.contains(QStringLiteral("pas de table Fetes")));
        std::tie(code, out) = run(Donnees);
        QCOMPARE(code, 1);
        QVERIFY(out.contains(QStringLiteral("ne contient pas tarvelon.mdb")));
    }

    // The very first start, with the old program in a Wine prefix: asked
    // once; yes brings it over, no starts as any first start.
    void firstStart_asksOnceUnderWine()
    {
        const QString wine = path("wine/");
        QDir().mkpath(wine + "drive_c/Tarvelon");
        QFile::copy(Donnees + "tarvelon-2007.accdb", wine + "drive_c/Tarvelon/tarvelon.mdb");
        qputenv("WINEPREFIX", QFile::encodeName(wine));
        const QString db = path("premier/tarvelon.db");
        test::FakeMessages messages;

        messages.answers = {platform::AnswerNo};
        QVERIFY(!echange::proposerAncienneInstallation(db));
        QCOMPARE(messages.shown.size(), size_t(1));
        QVERIFY(messages.shown[0].text.contains(wine + "drive_c/Tarvelon"));
        QCOMPARE(messages.shown[0].style, int(platform::MbYesNoQuestion));

        messages.answers = {platform::AnswerYes};
        const std::optional<QString> dossier = echange::proposerAncienneInstallation(db);
        QVERIFY(dossier);
        platform::SqliteDatabase base;
        QString message;
        QVERIFY(store::openCalendar(base, db, &message)); // the window's load
        module::CheminInstallation = path("premier/");
        echange::reprendreAncienneInstallation(base, *dossier);
        QCOMPARE(messages.shown.size(), size_t(3));
        QVERIFY(messages.shown[2].text.contains(QString::fromUtf8("9 entrées ajoutées")));
        QVERIFY(rows(db).contains(QString::fromUtf8("Théo\t23/04\t2015\t ")));

        // The calendar is there now: never asked again.
        QVERIFY(!echange::proposerAncienneInstallation(db));
        QCOMPARE(messages.shown.size(), size_t(3));
        qunsetenv("WINEPREFIX");
    }
};

QTEST_MAIN(TestAncien)
#include "test_ancien.moc"
