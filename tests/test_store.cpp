#include "fakes.h"
#include "platform/sqlite.h"
#include "rappel/rappel.h"
#include "socle/calendrier_fr.h"
#include "socle/schema.h"
#include "store/calendrier.h"
#include "windows/data/datasource.h"

#include <QFile>
#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <memory>

#include <chrono>
#include <sys/stat.h>
#include <thread>

using test::Row;
using namespace store;
using windows::DataSource;

class TestStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<DataSource> m_data;
    std::array<QLineEdit*, FieldCount> m_boxes{};
    std::unique_ptr<QWidget> m_host;
    std::unique_ptr<test::FakeMessages> m_messages;

    // A data source over rows, opened on source, with its four boxes bound.
    DataSource& open(const std::vector<Row>& rows, const RecordSource& source = sourceNameDays())
    {
        test::writeDatabase(m_path, rows);
        m_data = std::make_unique<DataSource>();
        m_data->setDatabaseName(m_path);
        QString message;
        [&] { QVERIFY2(m_data->open(&message), qPrintable(message)); }();
        m_host = std::make_unique<QWidget>();
        const int limits[FieldCount] = {30, 5, 4, 1};
        for (int f = 0; f < FieldCount; ++f) {
            m_boxes[size_t(f)] = new QLineEdit(m_host.get());
            m_boxes[size_t(f)]->setMaxLength(limits[f]);
            m_data->bind(Field(f), m_boxes[size_t(f)]);
        }
        m_data->setRecordSource(source);
        m_data->refresh();
        return *m_data;
    }
    QString nom() const { return m_boxes[size_t(Field::Nom)]->text(); }
    QLineEdit* box(Field f) const { return m_boxes[size_t(f)]; }
    QStringList stored() const
    {
        platform::SqliteDatabase db;
        QStringList list;
        if (!db.open(m_path, false))
            return list;
        platform::SqliteStatement q(db, "SELECT Nom, Date, Annee, MF FROM Fetes ORDER BY rowid");
        while (q.step() == platform::SqliteRow)
            list << q.columnText(0) + '|' + q.columnText(1) + '|' + q.columnText(2) + '|' +
                        q.columnText(3);
        return list;
    }

    static std::vector<Row> sample()
    {
        return {{"Georges", "23/04", "0000", "M"},
                {"Fidèle", "24/04", "0000", "M"},
                {"Paul", "23/04", "1990", " "},
                {"Marc", "25/04", "0000", "M"},
                {"Jean-Marie l'Ancien", "23/04", "0000", "M"}};
    }

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("t%1.db").arg(QDateTime::currentMSecsSinceEpoch()));
        QFile::remove(m_path);
        m_messages = std::make_unique<test::FakeMessages>();
    }
    void cleanup()
    {
        m_data.reset();
        m_host.reset();
        m_messages.reset();
    }

    void like_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        QTest::newRow("star anywhere, case ignored") << "*mar*"
                                                     << "Omar" << true;
        QTest::newRow("star prefix") << "*mar*"
                                     << "Marie" << true;
        QTest::newRow("no match") << "*mar*"
                                  << "Georges" << false;
        QTest::newRow("question mark one char") << "M?rc"
                                                << "Marc" << true;
        QTest::newRow("question mark needs a char") << "Marc?"
                                                    << "Marc" << false;
        QTest::newRow("hash a digit") << "##/04"
                                      << "23/04" << true;
        QTest::newRow("hash not a letter") << "#3/04"
                                           << "a3/04" << false;
        QTest::newRow("list") << "[bm]arc"
                              << "Marc" << true;
        QTest::newRow("list misses") << "[bp]arc"
                                     << "Marc" << false;
        QTest::newRow("range") << "[a-c]*"
                               << "Bernard" << true;
        QTest::newRow("range misses") << "[d-f]*"
                                      << "Bernard" << false;
        QTest::newRow("negated list") << "[!m]arc"
                                      << "Marc" << false;
        QTest::newRow("negated list passes") << "[!p]arc"
                                             << "Marc" << true;
        QTest::newRow("accented letters fold case") << "*é*"
                                                    << "ÉLODIE" << true;
        QTest::newRow("accents are not ignored") << "*e*"
                                                 << "É" << false;
        QTest::newRow("star in a list is literal") << "*[*]*"
                                                   << "a*b" << true;
        QTest::newRow("unclosed bracket matches nothing") << "*[a*"
                                                          << "[a" << false;
        QTest::newRow("reversed range matches nothing") << "[z-a]"
                                                        << "m" << false;
        QTest::newRow("apostrophe is ordinary") << "*l'*"
                                                << "Jean-Marie l'Ancien" << true;
        QTest::newRow("blanks are searched") << "*   *"
                                             << "Marie" << false;
        QTest::newRow("many stars do not blow up")
            << "*a*a*a*a*a*a*a*b" << QString(200, 'a') << false;
    }

    void like()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        QCOMPARE(LikePattern(pattern).matches(text), matches);
    }

    void recordSources_filterByYear()
    {
        DataSource& data = open(sample());
        QCOMPARE(data.recordset().recordCount(), 4);
        data.setRecordSource(sourceBirthdays());
        QCOMPARE(data.recordset().recordCount(), 4); // not applied before refresh
        data.refresh();
        QCOMPARE(data.recordset().recordCount(), 1);
        QCOMPARE(nom(), QStringLiteral("Paul"));
        QCOMPARE(box(Field::Annee)->text(), QStringLiteral("1990"));
    }

    void moves_followInsertionOrderAndEnds()
    {
        RecordSet& rs = open(sample()).recordset();
        QCOMPARE(nom(), QStringLiteral("Georges"));
        QVERIFY(!rs.bof());
        QVERIFY(rs.moveNext());
        QCOMPARE(nom(), QString::fromUtf8("Fidèle"));
        QVERIFY(rs.moveLast());
        QCOMPARE(nom(), QStringLiteral("Jean-Marie l'Ancien"));
        QVERIFY(rs.moveNext());
        QVERIFY(rs.eof());
        QCOMPARE(nom(), QString()); // no current record: empty boxes
        QVERIFY(!rs.moveNext());
        QVERIFY(rs.moveFirst());
        QVERIFY(rs.movePrevious());
        QVERIFY(rs.bof());
        QVERIFY(!rs.movePrevious());
    }

    void emptySet_everyBoxEmptyAndMovesFail()
    {
        RecordSet& rs = open({{"Georges", "23/04", "0000", "M"}}, sourceBirthdays()).recordset();
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(rs.bof() && rs.eof());
        for (QLineEdit* b : m_boxes)
            QCOMPARE(b->text(), QString());
        QVERIFY(!rs.moveFirst());
        QVERIFY(!rs.moveLast());
        QVERIFY(!rs.moveNext());
        rs.findFirst(Criterion::equals(Field::Date, QStringLiteral("23/04")));
        QVERIFY(rs.noMatch());
    }

    void finds_walkOneDayInOrder()
    {
        RecordSet& rs = open(sample()).recordset();
        const Criterion day = Criterion::equals(Field::Date, QStringLiteral("23/04"));
        rs.moveLast();
        rs.findFirst(day);
        QVERIFY(!rs.noMatch());
        QCOMPARE(nom(), QStringLiteral("Georges"));
        rs.findNext(day);
        QCOMPARE(nom(), QStringLiteral("Jean-Marie l'Ancien"));
        rs.findNext(day);
        QVERIFY(rs.noMatch());
        QCOMPARE(nom(), QStringLiteral("Jean-Marie l'Ancien")); // stays where it was

        rs.findFirst(Criterion::like(Field::Nom, QStringLiteral("*L'ANC*")));
        QVERIFY(!rs.noMatch());
        rs.findFirst(Criterion::equals(Field::Nom, QStringLiteral("O'Brien")));
        QVERIFY(rs.noMatch());
    }

    void bookmark_returnsToTheSameEntry()
    {
        RecordSet& rs = open(sample()).recordset();
        rs.moveNext();
        const auto mark = rs.bookmark();
        QVERIFY(mark.has_value());
        rs.moveLast();
        QVERIFY(rs.setBookmark(*mark));
        QCOMPARE(nom(), QString::fromUtf8("Fidèle"));
        QVERIFY(!rs.setBookmark(999));
    }

    void typedChange_storedWhenLeft()
    {
        RecordSet& rs = open(sample()).recordset();
        box(Field::Nom)->setText(QStringLiteral("Georgette"));
        box(Field::MF)->setText(QStringLiteral("F"));
        QCOMPARE(stored().first(), QStringLiteral("Georges|23/04|0000|M")); // not yet
        rs.moveNext();
        QCOMPARE(stored().first(), QStringLiteral("Georgette|23/04|0000|F"));
        rs.movePrevious();
        QCOMPARE(nom(), QStringLiteral("Georgette"));
        // A find leaves the record too.
        box(Field::Nom)->setText(QStringLiteral("Georges"));
        rs.findFirst(Criterion::equals(Field::Date, QStringLiteral("25/04")));
        QCOMPARE(stored().first(), QStringLiteral("Georges|23/04|0000|F"));
    }

    void longStoredName_notCutByTheBox()
    {
        const QString longName(40, QLatin1Char('x'));
        RecordSet& rs =
            open({{longName.toStdString(), "01/01", "0000", "M"}, {"B", "02/01", "0000", "F"}})
                .recordset();
        QCOMPARE(nom().size(), 30);
        rs.moveNext();
        QCOMPARE(stored().first(), longName + QStringLiteral("|01/01|0000|M"));
    }

    void updateControls_dropsTypedText()
    {
        DataSource& data = open(sample());
        box(Field::Nom)->setText(QStringLiteral("Zut"));
        data.updateControls();
        QCOMPARE(nom(), QStringLiteral("Georges"));
        data.recordset().moveNext();
        QCOMPARE(stored().first(), QStringLiteral("Georges|23/04|0000|M"));
    }

    void addedEntry_staysLastUntilRefresh()
    {
        DataSource& data = open(sample());
        RecordSet& rs = data.recordset();
        rs.addNew();
        QCOMPARE(nom(), QString());
        rs.setFieldValue(QStringLiteral("Nom"), QStringLiteral("Aaron"));
        rs.setFieldValue(QStringLiteral("Date"), QStringLiteral("01/07"));
        rs.setFieldValue(QStringLiteral("MF"), QStringLiteral("M"));
        rs.setFieldValue(QStringLiteral("Annee"), QStringLiteral("0000"));
        QVERIFY(rs.update());
        QCOMPARE(nom(), QStringLiteral("Georges")); // back where it was
        rs.moveLast();
        QCOMPARE(nom(), QStringLiteral("Aaron"));
        QCOMPARE(stored().last(), QStringLiteral("Aaron|01/07|0000|M"));
        data.refresh();
        rs.moveLast();
        QCOMPARE(nom(), QStringLiteral("Aaron")); // insertion order
    }

    void newEntry_storedByAMoveOnlyWhenTyped()
    {
        RecordSet& rs = open(sample()).recordset();
        rs.addNew();
        rs.moveFirst(); // nothing typed: abandoned
        QCOMPARE(stored().size(), 5);
        rs.addNew();
        box(Field::Nom)->setText(QStringLiteral("Zoé"));
        box(Field::Date)->setText(QStringLiteral("02/05"));
        rs.moveFirst();
        QCOMPARE(stored().size(), 6);
        // Added to the name days, it is a name day.
        QCOMPARE(stored().last(), QString::fromUtf8("Zoé|02/05|0000|"));
    }

    void delete_leavesNoCurrentThenNeighbours()
    {
        RecordSet& rs = open(sample()).recordset();
        QVERIFY(rs.deleteCurrent());
        QVERIFY(rs.current() == nullptr);
        QCOMPARE(nom(), QString());
        rs.movePrevious();
        QVERIFY(rs.bof());
        rs.moveNext();
        QCOMPARE(nom(), QString::fromUtf8("Fidèle"));
        QCOMPARE(stored().size(), 4);
    }

    // The table stays in memory between refreshes: what another program, or
    // an import through the same connection, writes is read at the next one.
    void refresh_readsWhatWasWrittenBehindTheSet()
    {
        DataSource& data = open(sample());
        RecordSet& rs = data.recordset();
        platform::SqliteDatabase other;
        QVERIFY(other.open(m_path, false));
        QVERIFY(other.exec("INSERT INTO Fetes VALUES ('Zoé', '23/04', '0000', 'F')"));
        QCOMPARE(rs.recordCount(), 4);
        data.refresh();
        QCOMPARE(rs.recordCount(), 5);
        QVERIFY(data.database().exec("DELETE FROM Fetes WHERE Nom = 'Marc'"));
        rs.moveNext();
        box(Field::Nom)->setText(QStringLiteral("Fidèle2")); // a store of the set's own
        rs.moveNext();
        data.refresh();
        QCOMPARE(rs.recordCount(), 4);
        QVERIFY(other.exec("UPDATE Fetes SET Date = '01/01' WHERE Nom = 'Georges'"));
        data.refresh();
        QCOMPARE(nom(), QStringLiteral("Georges"));
        QCOMPARE(box(Field::Date)->text(), QStringLiteral("01/01"));
    }

    // The set's own stores keep every record source and its day index in
    // step; the open set keeps its rows until it is opened again.
    void ownStores_keepBothSourcesInStep()
    {
        DataSource& data = open(sample());
        RecordSet& rs = data.recordset();
        const auto names = [&rs](const char* day) {
            QStringList list;
            for (const Entry* e : rs.entriesOfDay(QString::fromLatin1(day)))
                list << QString::fromStdString(e->fiche.nom);
            return list;
        };
        QCOMPARE(names("23/04"), (QStringList{"Georges", "Jean-Marie l'Ancien"}));
        box(Field::Annee)->setText(QStringLiteral("1980")); // Georges becomes a birthday
        box(Field::Date)->setText(QStringLiteral("24/04"));
        rs.moveNext();
        QCOMPARE(rs.recordCount(), 4);
        QCOMPARE(names("24/04"), (QStringList{"Georges", "Fidèle"}));
        data.setRecordSource(sourceBirthdays());
        data.refresh();
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(names("24/04"), QStringList{"Georges"});
        rs.addNew();
        box(Field::Nom)->setText(QStringLiteral("Léa"));
        box(Field::Date)->setText(QStringLiteral("23/04"));
        box(Field::Annee)->setText(QStringLiteral("2001"));
        rs.moveFirst();
        QVERIFY(rs.deleteCurrent()); // Georges
        data.setRecordSource(sourceNameDays());
        data.refresh();
        QCOMPARE(names("23/04"), QStringList{"Jean-Marie l'Ancien"});
        QCOMPARE(names("24/04"), QStringList{"Fidèle"});
        data.setRecordSource(sourceBirthdays());
        data.refresh();
        QCOMPARE(names("23/04"), (QStringList{"Paul", "Léa"}));
        QCOMPARE(names("24/04"), QStringList{});
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(stored().size(), 5);
    }

    void refusedStore_reportedOnceAndTypedTextKept()
    {
        DataSource& data = open(sample());
        RecordSet& rs = data.recordset();
        QVERIFY(data.database().exec("PRAGMA query_only = ON"));
        box(Field::Nom)->setText(QStringLiteral("Perdu?"));
        {
            const DataSource::Action action(data); // one action, two refused steps
            QVERIFY(!rs.moveNext());
            QVERIFY(!rs.findFirst(Criterion::equals(Field::Date, QStringLiteral("25/04"))));
        }
        QCOMPARE(m_messages->shown.size(), size_t(1));
        {
            const DataSource::Action action(data); // the next action tells again
            QVERIFY(!rs.moveNext());
        }
        QCOMPARE(m_messages->shown.size(), size_t(2));
        QVERIFY(m_messages->shown[0].text.contains(QStringLiteral("« Perdu? » (23/04)")));
        QVERIFY(m_messages->shown[0].text.contains(QStringLiteral("lecture seule")));
        QCOMPARE(nom(), QStringLiteral("Perdu?"));
        QVERIFY(data.database().exec("PRAGMA query_only = OFF"));
        QVERIFY(rs.moveNext());
        QCOMPARE(stored().first(), QStringLiteral("Perdu?|23/04|0000|M"));
    }

    void lockedFile_waitsThenReports()
    {
        DataSource& data = open(sample());
        data.setBusyTimeout(50);
        platform::SqliteDatabase other;
        QVERIFY(other.open(m_path, false));
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));
        box(Field::Nom)->setText(QStringLiteral("Occupé"));
        QVERIFY(!data.recordset().moveNext());
        QCOMPARE(m_messages->shown.size(), size_t(1));
        QVERIFY(m_messages->shown[0].text.contains(QStringLiteral("autre programme")));
        QVERIFY(other.exec("COMMIT"));
        QVERIFY(data.recordset().moveNext());
        QCOMPARE(stored().first(), QString::fromUtf8("Occupé|23/04|0000|M"));
    }

    void databaseHeldAtStart_waitedFor()
    {
        test::writeDatabase(m_path, sample());
        platform::SqliteDatabase other;
        QVERIFY(other.open(m_path, false));
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));
        QVERIFY(other.exec("UPDATE Fetes SET Nom = 'x' WHERE 0"));
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.exec("COMMIT");
        });
        platform::SqliteDatabase db;
        QString message;
        const bool opened = openCalendar(db, m_path, &message);
        release.join();
        QVERIFY2(opened, qPrintable(message));
    }

    // The schema's version: given to a file of the old schema with its table
    // left exactly as it was; a file of a newer Tarvelon is never altered,
    // and the reminder still reads it.
    void schemaVersion_oldFileUpToDate_newerFileOnlyRead()
    {
        test::writeDatabase(m_path, sample());
        const auto schema = [this] {
            platform::SqliteDatabase db;
            db.open(m_path, false);
            platform::SqliteStatement q(db, "SELECT sql FROM sqlite_master ORDER BY name");
            QStringList sql;
            while (q.step() == platform::SqliteRow)
                sql << q.columnText(0);
            int version = -1;
            socle::lireVersion(db, version);
            return std::pair{sql, version};
        };
        const auto [avant, versionAvant] = schema();
        QCOMPARE(versionAvant, 0);
        const QStringList rows = stored();
        {
            platform::SqliteDatabase db;
            QString message;
            QVERIFY2(openCalendar(db, m_path, &message), qPrintable(message));
        }
        // Fetes exactly as it was; beside it, the people's table alone.
        const auto [apres, versionApres] = schema();
        QCOMPARE(versionApres, socle::SchemaVersion);
        QCOMPARE(apres.first(), avant.first());
        QCOMPARE(apres.size(), avant.size() + 3);
        QVERIFY(apres[1].startsWith(QStringLiteral("CREATE TABLE Proches")));
        QVERIFY(apres[2].startsWith(QStringLiteral("CREATE INDEX ProchesParJour")));
        QCOMPARE(apres[3], QString()); // the key's own index
        QCOMPARE(stored(), rows);

        {
            platform::SqliteDatabase db;
            QVERIFY(db.open(m_path, false));
            QVERIFY(db.exec("PRAGMA user_version = 99"));
        }
        const QByteArray octets = test::readFile(m_path);
        platform::SqliteDatabase db;
        QString message;
        QVERIFY(!openCalendar(db, m_path, &message));
        QVERIFY2(message.contains(QString::fromUtf8("version plus récente de Tarvelon")),
                 qPrintable(message));
        QVERIFY(!db.isOpen());
        QCOMPARE(test::readFile(m_path), octets);
        const rappel::Calendrier lu =
            rappel::lireCalendrier(QFile::encodeName(m_path).toStdString(), {"23/04"});
        QVERIFY2(lu.lu && !lu.fiches.empty(), lu.erreur.c_str());
    }

    // Two first starts at once: each opens the whole calendar, never the
    // other's half-made one; no draft is left behind.
    void missingDatabase_twoFirstStartsAtOnce()
    {
        for (int tour = 0; tour < 10; ++tour) {
            QFile::remove(m_path);
            QString messages[2];
            bool ouverts[2] = {false, false};
            std::unique_ptr<QThread> fils[2];
            for (int i = 0; i < 2; ++i) {
                fils[i].reset(QThread::create([&, i] {
                    platform::SqliteDatabase db;
                    ouverts[i] = openCalendar(db, m_path, &messages[i]);
                }));
                fils[i]->start();
            }
            for (auto& f : fils)
                QVERIFY(f->wait(60000));
            QVERIFY2(ouverts[0] && ouverts[1], qPrintable(messages[0] + messages[1]));
            QCOMPARE(stored().size(), qsizetype(socle::calendrierFr().size()));
        }
        QCOMPARE(QDir(QFileInfo(m_path).absolutePath())
                     .entryList({QStringLiteral("*.creation*")})
                     .size(),
                 0);
    }

    void missingDatabase_madeFromTheBundledCalendar()
    {
        platform::SqliteDatabase db;
        QString message;
        QVERIFY2(openCalendar(db, m_path, &message), qPrintable(message));
        platform::SqliteStatement q(db, "SELECT Date, Annee, MF FROM Fetes ORDER BY rowid");
        QSet<QString> days;
        int rows = 0;
        while (q.step() == platform::SqliteRow) {
            ++rows;
            days.insert(q.columnText(0));
            QCOMPARE(q.columnText(1), QStringLiteral("0000"));
            QVERIFY(q.columnText(2) == QLatin1String("M") || q.columnText(2) == QLatin1String("F"));
        }
        QCOMPARE(rows, int(socle::calendrierFr().size()));
        QCOMPARE(days.size(), 366);
        QCOMPARE(QString::fromStdString(socle::calendrierFr().front().nom),
                 QStringLiteral("Marie"));
    }

    void brokenDatabase_toldAndUntouched_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not SQLite") << QByteArray() << QByteArray("Bonjour, je suis un texte.\n")
                                    << "n'est pas une base de données SQLite";
        QTest::newRow("no table") << QByteArray("CREATE TABLE Autre (x)") << QByteArray()
                                  << "ne contient pas de table Fetes";
        QTest::newRow("missing field") << QByteArray("CREATE TABLE Fetes (Nom, Date, Annee)")
                                       << QByteArray() << "n'a pas le champ MF";
    }

    void brokenDatabase_toldAndUntouched()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, raw);
        QFETCH(QString, expected);
        if (!raw.isEmpty()) {
            QFile f(m_path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(raw);
        } else {
            platform::SqliteDatabase db;
            QVERIFY(db.open(m_path, true));
            QVERIFY(db.exec(sql.constData()));
        }
        QFile before(m_path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        before.close();

        platform::SqliteDatabase db;
        QString message;
        QVERIFY(!openCalendar(db, m_path, &message));
        QVERIFY2(message.contains(expected), qPrintable(message));
        QVERIFY(message.contains(m_path));
        QVERIFY(message.contains(QStringLiteral("sans modifier ce fichier")));
        db.close();
        QFile after(m_path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
    }

    void pipeAsDatabase_toldWithoutBlocking()
    {
        QFile::remove(m_path);
        QVERIFY(::mkfifo(QFile::encodeName(m_path).constData(), 0600) == 0);
        platform::SqliteDatabase db;
        QString message;
        QVERIFY(!openCalendar(db, m_path, &message));
        QVERIFY2(message.contains(QStringLiteral("n'est pas un fichier ordinaire")),
                 qPrintable(message));
    }
};

QTEST_MAIN(TestStore)
#include "test_store.moc"
