// Times the calendar store at 1,000 and 100,000 entries: the first read of
// the table, a refresh when nothing changed and one after another program
// wrote, find first by day, a find-next walk over one day, a Like scan by
// name, add + update, and the memory an entry costs once loaded.
#include "mesure.h"
#include "socle/fetes.h"
#include "store/calendrier.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <random>
#include <vector>

using namespace store;

using bench::median;

// In microseconds.
template <typename F> double timeMicros(F&& f)
{
    return bench::millis(f) * 1000.0;
}

namespace {

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
        std::vector<socle::Fiche> fiches;
        std::mt19937 random(42);
        for (int i = 0; i < entries; ++i)
            // Mostly distinct names, as a large personal file would hold.
            fiches.push_back({"Prénom" + std::to_string(random() % 1000000),
                              dayKey(int(random() % 336)).toStdString(),
                              std::string(socle::AnneeNomDeFete), i % 2 ? "M" : "F"});
        socle::Database db;
        db.open(QFile::encodeName(path).toStdString(), socle::OpenMode::Create);
        socle::creerTable(db);
        socle::ajouterFiches(db, fiches, socle::Doublons::Ajouter);
    }

    socle::Database db;
    QString message;
    if (!openCalendar(db, path, &message)) {
        std::printf("cannot open: %s\n", qPrintable(message));
        return;
    }
    RecordSet rs(db);
    // Another program changes one entry's sex code.
    socle::Database other;
    other.open(QFile::encodeName(path).toStdString(), socle::OpenMode::ReadWrite);
    socle::Fiche changee;
    bool feminin = false;
    const auto anotherProgramWrites = [&] {
        feminin = !feminin;
        changee.mf.assign(1, feminin ? 'F' : 'M');
        bool found = false;
        socle::modifierFiche(other, 1, changee, {false, false, false, true}, found);
    };

    // Memory of the loaded entries alone: the database's page cache is warmed
    // first by a read of its own.
    {
        std::vector<socle::FicheStockee> warm;
        socle::lireFiches(db, warm);
    }
    const size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
    const double read = timeMicros([&] { rs.load(sourceNameDays()); }) / 1000.0;
    const size_t after = mallinfo2().uordblks + mallinfo2().hblkhd;

    std::vector<double> unchanged, changed;
    for (int i = 0; i < 9; ++i) {
        unchanged.push_back(timeMicros([&] { rs.load(sourceNameDays()); }) / 1000.0);
        anotherProgramWrites();
        changed.push_back(timeMicros([&] { rs.load(sourceNameDays()); }) / 1000.0);
    }

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

    std::printf("%7d entries: first read %.2f ms | refresh, unchanged %.3f ms | refresh after "
                "another program wrote %.2f ms | find by Date %.2f us | walk of one day %.1f us | "
                "Like scan %.2f ms | add+update %.2f ms | %.0f bytes/entry\n",
                entries, read, median(unchanged), median(changed), median(find), median(walk),
                median(like), median(add), double(after - before) / entries);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    run(1000);
    run(100000);
    return 0;
}
