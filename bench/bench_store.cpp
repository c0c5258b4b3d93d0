// Times the calendar store at 1,000 and 100,000 entries: refresh, find first
// by day, a find-next walk over one day, a Like scan by name, add + update,
// and the memory an entry costs once loaded.
#include "platform/sqlite.h"
#include "store/datasource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <random>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F> double timeMicros(F&& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1000.0;
}

QString dayKey(int i)
{
    return QStringLiteral("%1/%2")
        .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
        .arg(i / 28 % 12 + 1, 2, 10, QLatin1Char('0'));
}

void run(int entries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    {
        platform::SqliteDatabase db;
        db.open(path, true);
        db.exec("CREATE TABLE Fetes (Nom TEXT, Date TEXT, Annee TEXT, MF TEXT)");
        db.exec("BEGIN");
        platform::SqliteStatement insert(db, "INSERT INTO Fetes VALUES (?1, ?2, '0000', ?3)");
        std::mt19937 random(42);
        for (int i = 0; i < entries; ++i) {
            // Mostly distinct names, as a large personal file would hold.
            insert.bind(1, QStringLiteral("Prénom%1").arg(random() % 1000000));
            insert.bind(2, dayKey(int(random() % 336)));
            insert.bind(3, QString(i % 2 ? QStringLiteral("M") : QStringLiteral("F")));
            insert.step();
            insert.reset();
        }
        db.exec("COMMIT");
    }

    DataSource data;
    data.setDatabaseName(path);
    QString message;
    if (!data.open(&message)) {
        std::printf("cannot open: %s\n", qPrintable(message));
        return;
    }
    data.setRecordSource(sourceNameDays());
    RecordSet& rs = data.recordset();

    // Memory of the loaded entries alone: the database's page cache is warm
    // and the set empty when the count starts.
    data.refresh();
    data.setRecordSource(sourceBirthdays());
    data.refresh();
    const size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
    data.setRecordSource(sourceNameDays());
    data.refresh();
    const size_t after = mallinfo2().uordblks + mallinfo2().hblkhd;

    std::vector<double> refresh;
    for (int i = 0; i < 9; ++i)
        refresh.push_back(timeMicros([&] { data.refresh(); }) / 1000.0);

    rs.findFirst(Criterion::equals(Field::Date, QStringLiteral("01/01"))); // builds the day index
    std::vector<double> find;
    for (int i = 0; i < 2000; ++i) {
        const Criterion c = Criterion::equals(Field::Date, dayKey(i * 7));
        find.push_back(timeMicros([&] { rs.findFirst(c); }));
    }

    std::vector<double> walk;
    for (int i = 0; i < 20; ++i) {
        const Criterion c = Criterion::equals(Field::Date, dayKey(i * 13));
        walk.push_back(timeMicros([&] {
            rs.findFirst(c);
            while (!rs.noMatch())
                rs.findNext(c);
        }));
    }

    std::vector<double> like;
    for (int i = 0; i < 9; ++i)
        like.push_back(timeMicros([&] {
                           rs.findFirst(Criterion::like(Field::Nom, QStringLiteral("*zzz*")));
                       }) /
                       1000.0);

    std::vector<double> add;
    for (int i = 0; i < 50; ++i)
        add.push_back(timeMicros([&] {
                          rs.addNew();
                          rs.setFieldValue(Field::Nom, QStringLiteral("Nouveau"));
                          rs.setFieldValue(Field::Date, QStringLiteral("01/01"));
                          rs.setFieldValue(Field::Annee, QStringLiteral("0000"));
                          rs.setFieldValue(Field::MF, QStringLiteral("M"));
                          rs.update();
                      }) /
                      1000.0);

    std::printf("%7d entries: refresh %.2f ms | find by Date %.2f us | walk of one day %.1f us | "
                "Like scan %.2f ms | add+update %.2f ms | %.0f bytes/entry\n",
                entries, median(refresh), median(find), median(walk), median(like), median(add),
                double(after - before) / entries);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    run(1000);
    run(100000);
    return 0;
}
