// Import of 10,000 contacts' birthdays (vCard 3.0) into a calendar of
// 10,000 entries, in one transaction with the duplicate check; then the same
// file again (everything already there), and the iCalendar export of it all.
// Prints the time of each, median of a few runs.
#include "echange/echange.h"
#include "echange/vcard.h"
#include "mesure.h"
#include "socle/fetes.h"
#include "store/calendrier.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using bench::median;

namespace {

QString fillCalendar(const QString& dir, int run)
{
    const QString path = dir + QStringLiteral("/cal%1.db").arg(run);
    socle::Database db;
    QString message;
    store::openCalendar(db, path, &message); // 1,051 name days
    std::vector<socle::Fiche> fiches;
    for (int i = 0; i < 10000 - 1051; ++i)
        fiches.push_back(
            {"Personne " + std::to_string(i),
             QDate(2000, 1, 1).addDays(i % 366).toString(QStringLiteral("dd/MM")).toStdString(),
             std::to_string(1940 + i % 80), " "});
    socle::ajouterFiches(db, fiches, socle::Doublons::Ajouter);
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
        socle::Database db;
        db.open(fillCalendar(dir.path(), run).toStdString(), socle::OpenMode::ReadWrite);
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
        echange::exporter(db, dir.filePath(QStringLiteral("tout.ics")), socle::Selection::Tout);
        ics.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("10,000 cards into 10,000 entries: %.0f ms median over %d runs (goal < 1000 ms)\n",
                median(first), runs);
    std::printf("the same file again (all there): %.0f ms\n", median(again));
    std::printf("iCalendar export of the 20,000 entries: %.0f ms\n", median(ics));

    // A 5 MB card of folded lines, its name folded before its colon: the
    // unfolding stays linear.
    QByteArray plie = "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE";
    for (int i = 0; i < 70000; ++i)
        plie += "\r\n abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnop";
    plie += ":x\r\nFN:Plie\r\nBDAY:1980-01-01\r\nEND:VCARD\r\n";
    std::vector<double> pliage;
    for (int run = 0; run < runs; ++run)
        pliage.push_back(bench::millis([&] { echange::lireVcard(plie); }));
    std::printf("a 5 MB card of folded lines read in %.0f ms\n", median(pliage));
    return 0;
}
