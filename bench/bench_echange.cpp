// Import of 10,000 contacts' birthdays (vCard 3.0) into a calendar of
// 10,000 entries, in one transaction with the duplicate check; then the same
// file again (everything already there), and the iCalendar export of it all.
// Prints the time of each, median of a few runs.
#include "echange/echange.h"
#include "platform/sqlite.h"
#include "store/calendrier.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QString fillCalendar(const QString& dir, int run)
{
    const QString path = dir + QStringLiteral("/cal%1.db").arg(run);
    platform::SqliteDatabase db;
    QString message;
    openCalendar(db, path, &message); // 1,051 name days
    db.exec("BEGIN");
    platform::SqliteStatement insert(db, "INSERT INTO Fetes VALUES (?1, ?2, ?3, ' ')");
    for (int i = 0; i < 10000 - 1051; ++i) {
        insert.bind(1, QStringLiteral("Personne %1").arg(i));
        insert.bind(2, QDate(2000, 1, 1).addDays(i % 366).toString(QStringLiteral("dd/MM")));
        insert.bind(3, QString::number(1940 + i % 80));
        insert.step();
        insert.reset();
    }
    db.exec("COMMIT");
    return path;
}

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir dir;
    QByteArray cards;
    for (int i = 0; i < 10000; ++i) {
        const QDate day = QDate(1950, 1, 1).addDays(i * 7);
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Contact;Ami " + QByteArray::number(i) +
                 ";;;\r\nFN:Ami " + QByteArray::number(i) +
                 " Contact\r\nTEL;TYPE=CELL:06 12 34 56 78\r\n"
                 "EMAIL:ami" +
                 QByteArray::number(i) +
                 "@example.org\r\nBDAY:" + day.toString(Qt::ISODate).toLatin1() +
                 "\r\nEND:VCARD\r\n";
    }
    const QString vcf = dir.filePath(QStringLiteral("contacts.vcf"));
    QFile file(vcf);
    if (!file.open(QIODevice::WriteOnly) || file.write(cards) != cards.size())
        return 1;
    file.close();

    std::vector<double> first, again, ics;
    for (int run = 0; run < runs; ++run) {
        platform::SqliteDatabase db;
        db.open(fillCalendar(dir.path(), run), false);
        QElapsedTimer t;
        t.start();
        const echange::Rapport r = echange::importer(db, vcf);
        first.push_back(double(t.nsecsElapsed()) / 1e6);
        if (run == 0)
            std::printf("%s\n", qPrintable(r.texte));
        t.restart();
        echange::importer(db, vcf);
        again.push_back(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        echange::exporter(db, dir.filePath(QStringLiteral("tout.ics")), echange::Selection::Tout);
        ics.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("10,000 cards into 10,000 entries: %.0f ms median over %d runs (goal < 1000 ms)\n",
                median(first), runs);
    std::printf("the same file again (all there): %.0f ms\n", median(again));
    std::printf("iCalendar export of the 20,000 entries: %.0f ms\n", median(ics));
    return 0;
}
