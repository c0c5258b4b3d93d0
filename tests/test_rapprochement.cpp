// The address books' rule with no server: a book's changes as data, the
// table's edits applied, the new state and the counts; what the user changed
// is never overridden. And the calendar published: what to write, from what
// was written, what the server lists and what the table wants.
#include "socle/fetes.h"
#include "synchro/rapprochement/agenda.h"
#include "synchro/rapprochement/rapprochement.h"

#include <QTemporaryDir>
#include <QtTest>

using rapprochement::Carte;
using rapprochement::EtatCarnet;
using rapprochement::Releve;

namespace {

QByteArray carte(const QByteArray& nom, const QByteArray& bday)
{
    QByteArray c = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + nom + "\r\nFN:" + nom + "\r\n";
    if (!bday.isEmpty())
        c += "BDAY:" + bday + "\r\n";
    return c + "END:VCARD\r\n";
}

const socle::Fiche Ecrite{"Anne", "04/03", "1980", " "};

QStringList lignes(socle::Database& base)
{
    std::vector<socle::FicheStockee> fiches;
    socle::lireFiches(base, fiches);
    QStringList l;
    for (const socle::FicheStockee& f : fiches)
        l << QString::fromStdString(f.fiche.nom + '|' + f.fiche.date + '|' + f.fiche.annee);
    return l;
}

} // namespace

class TestRapprochement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void regle_data()
    {
        QTest::addColumn<bool>("connu");     // Tarvelon wrote Anne's entry from card a.vcf
        QTest::addColumn<QString>("table");  // Anne's entry as it stands: "ecrite", "changee", ""
        QTest::addColumn<QString>("releve"); // what the book says of a.vcf
        QTest::addColumn<QStringList>("apres");
        QTest::addColumn<QString>("compte"); // added, changed, deleted, kept, present
        QTest::addColumn<QString>("suivi");  // a.vcf in the new state

        const QStringList autre{"Zoé|01/01|0000"};
        const QStringList ecrite = autre + QStringList{"Anne|04/03|1980"};
        const QStringList changee = autre + QStringList{"Annie|04/03|1980"};
        QTest::newRow("added") << false << ""
                               << "nouvelle" << ecrite << "1 0 0 0 0"
                               << "ecrite";
        QTest::newRow("added, typed already") << false << "ecrite"
                                              << "nouvelle" << ecrite << "0 0 0 0 1"
                                              << "utilisateur";
        QTest::newRow("changed") << true << "ecrite"
                                 << "changee" << (autre + QStringList{"Anne|04/03|1981"})
                                 << "0 1 0 0 0"
                                 << "ecrite";
        QTest::newRow("changed, the user's") << true << "changee"
                                             << "changee" << changee << "0 0 0 1 0"
                                             << "utilisateur";
        QTest::newRow("changed, entry deleted by the user") << true << ""
                                                            << "changee" << autre << "0 0 0 1 0"
                                                            << "utilisateur";
        QTest::newRow("deleted") << true << "ecrite"
                                 << "partie" << autre << "0 0 1 0 0"
                                 << "absent";
        QTest::newRow("deleted, the user's") << true << "changee"
                                             << "partie" << changee << "0 0 0 1 0"
                                             << "absent";
        QTest::newRow("birthday removed") << true << "ecrite"
                                          << "sans anniversaire" << autre << "0 0 1 0 0"
                                          << "sans fiche";
        QTest::newRow("birthday removed, the user's")
            << true << "changee"
            << "sans anniversaire" << changee << "0 0 0 1 0"
            << "sans fiche";
        QTest::newRow("missing from a complete listing")
            << true << "ecrite"
            << "absente, liste complete" << autre << "0 0 1 0 0"
            << "absent";
        QTest::newRow("missing from an incremental listing")
            << true << "ecrite"
            << "absente, liste partielle" << ecrite << "0 0 0 0 0"
            << "ecrite";
        QTest::newRow("unchanged") << true << "ecrite"
                                   << "inchangee" << ecrite << "0 0 0 0 0"
                                   << "ecrite";
        QTest::newRow("unreadable: the entry stays") << true << "ecrite"
                                                     << "illisible" << ecrite << "0 0 0 0 0"
                                                     << "ecrite";
    }

    void regle()
    {
        QFETCH(bool, connu);
        QFETCH(QString, table);
        QFETCH(QString, releve);
        QFETCH(QStringList, apres);
        QFETCH(QString, compte);
        QFETCH(QString, suivi);

        QTemporaryDir dossier;
        socle::Database base;
        QVERIFY(base.open(QFile::encodeName(dossier.filePath("t.db")).toStdString(),
                          socle::OpenMode::Create));
        QCOMPARE(socle::creerTable(base), int(socle::SqliteOk));
        std::int64_t rowid = 0;
        QCOMPARE(socle::ajouterFiche(base, {"Zoé", "01/01", "0000", "F"}, rowid),
                 int(socle::SqliteOk));
        if (table == QLatin1String("ecrite"))
            QCOMPARE(socle::ajouterFiche(base, Ecrite, rowid), int(socle::SqliteOk));
        if (table == QLatin1String("changee"))
            QCOMPARE(socle::ajouterFiche(base, {"Annie", "04/03", "1980", " "}, rowid),
                     int(socle::SqliteOk));

        EtatCarnet etat;
        etat.jeton = QStringLiteral("t1");
        etat.proches = true; // the book's people kept already
        if (connu)
            etat.contacts[QStringLiteral("/amis/a.vcf")] = {"e1", 2, Ecrite, false, {}, {}};
        Releve r;
        r.jeton = QStringLiteral("t2");
        const QString a = QStringLiteral("/amis/a.vcf");
        const QString b = QStringLiteral("/amis/b.vcf");
        r.cartes.push_back({b, "eb", std::nullopt, "b.vcf"}); // known, as it was
        etat.contacts[b] = {"eb", 0, {}, false, {}, {}};
        if (releve == QLatin1String("nouvelle"))
            r.cartes.push_back({a, "e1", carte("Anne", "1980-03-04"), "a.vcf"});
        else if (releve == QLatin1String("changee"))
            r.cartes.push_back({a, "e2", carte("Anne", "1981-03-04"), "a.vcf"});
        else if (releve == QLatin1String("sans anniversaire"))
            r.cartes.push_back({a, "e2", carte("Anne", {}), "a.vcf"});
        else if (releve == QLatin1String("partie"))
            r.parties.push_back(a);
        else if (releve == QLatin1String("absente, liste complete"))
            r.complet = true;
        else if (releve == QLatin1String("inchangee"))
            r.cartes.push_back({a, "e1", std::nullopt, "a.vcf"});
        else if (releve == QLatin1String("illisible"))
            r.cartes.push_back(
                {a, "e2", QByteArray("BEGIN:VCARD\r\nnot a line\r\nEND:VCARD\r\n"), "a.vcf"});
        // Whether a listed card must be read at all.
        QCOMPARE(rapprochement::aLire(etat, a, "e1"), !connu);
        QVERIFY(rapprochement::aLire(etat, a, "e2"));
        EtatCarnet sansProches = etat;
        sansProches.proches = false; // every card read once, for the people
        QVERIFY(rapprochement::aLire(sansProches, a, "e1"));

        socle::Instantane lue;
        QCOMPARE(socle::lireInstantane(base, lue), int(socle::SqliteOk));
        rapprochement::Rapprochement fait = rapprochement::rapprocher(etat, r, lue.fiches);
        QCOMPARE(rapprochement::appliquer(base, fait), int(socle::SqliteOk));
        rapprochement::reporter(fait.editions, lue.fiches);
        QCOMPARE(lignes(base), apres);
        std::vector<socle::FicheStockee> relue;
        socle::lireFiches(base, relue);
        QCOMPARE(lue.fiches.size(), relue.size()); // the run's table follows its edits
        for (size_t i = 0; i < relue.size(); ++i)
            QVERIFY(lue.fiches[i].rowid == relue[i].rowid && lue.fiches[i].fiche == relue[i].fiche);

        const rapprochement::Compteurs& n = fait.n;
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(n.ajoutes)
                     .arg(n.modifies)
                     .arg(n.supprimes)
                     .arg(n.gardes)
                     .arg(n.presents),
                 compte);
        QCOMPARE(n.illisibles.size(), releve == QLatin1String("illisible") ? 1 : 0);
        const auto c = fait.etat.contacts.find(a);
        QString vu = QStringLiteral("absent");
        if (c != fait.etat.contacts.end()) {
            const auto ligne =
                std::find_if(relue.begin(), relue.end(), [&](const socle::FicheStockee& f) {
                    return f.rowid == c->second.rowid;
                });
            vu = c->second.deLUtilisateur ? QStringLiteral("utilisateur")
                 : c->second.rowid == 0   ? QStringLiteral("sans fiche")
                 : ligne != relue.end() && ligne->fiche == c->second.ecrite
                     ? QStringLiteral("ecrite")
                     : QStringLiteral("fausse");
        }
        QCOMPARE(vu, suivi);
        QVERIFY(fait.etat.contacts.count(b)); // the other card is still known
        QCOMPARE(fait.etat.jeton, QStringLiteral("t2"));
    }

    // A card asked for and not sent keeps the token where it was; a run with
    // nothing new edits nothing and says whether the state moved.
    void jeton()
    {
        EtatCarnet etat;
        etat.jeton = QStringLiteral("t1");
        Releve r;
        r.jeton = QStringLiteral("t1");
        rapprochement::Rapprochement fait = rapprochement::rapprocher(etat, r, {});
        QVERIFY(fait.editions.empty() && !fait.etatChange);
        r.jeton = QStringLiteral("t2");
        QVERIFY(rapprochement::rapprocher(etat, r, {}).etatChange);
        r.cartes.push_back({QStringLiteral("/a.vcf"), "e", std::nullopt, "a.vcf"});
        r.toutLu = false;
        fait = rapprochement::rapprocher(etat, r, {});
        QCOMPARE(fait.etat.jeton, QStringLiteral("t1"));
    }
    // One state, listed whole and listed since the token: each event's
    // write, with the ETag it must still have; never an event Tarvelon did
    // not write or name.
    void planDeLAgenda_data()
    {
        QTest::addColumn<bool>("complet");
        QTest::addColumn<QStringList>("attendu");
        const QStringList commun = {
            "Modification b e-b", // changed in the table
            "RemisChange c e-c2", // changed on the server
            "RemisSupprime d -",  // deleted there
            "Ajout g -",          // new
            "Suppression e e-e",  // no longer wanted
        };
        // fetes-0101@tarvelon, not written here: another installation's, left alone.
        QTest::newRow("listé en entier") << true << (commun + QStringList{"Oubli f -"});
        QTest::newRow("changements depuis le jeton")
            << false << (commun + QStringList{"Oubli f -"});
    }
    void planDeLAgenda()
    {
        QFETCH(bool, complet);
        QFETCH(QStringList, attendu);
        const QString base = QStringLiteral("http://h/cal/");
        const auto ics = [&](const char* uid) { return QUrl(base + uid + ".ics"); };
        rapprochement::EtatAgenda etat{base, QStringLiteral("t1"), {}};
        for (const char* uid : {"a", "b", "c", "d", "e", "f"})
            etat.evenements[uid] = {ics(uid).toString(), QByteArray("e-") + uid,
                                    QByteArray("h-") + uid};
        rapprochement::ReleveAgenda releve;
        releve.complet = complet;
        if (complet) {
            for (const char* uid : {"a", "b", "e"})
                releve.presents.emplace_back(ics(uid), QByteArray("e-") + uid);
            releve.presents.emplace_back(ics("x"), "e-x"); // another program's
            releve.presents.emplace_back(ics("fetes-0101@tarvelon"), "e-s");
        } else {
            releve.supprimes = {ics("d"), ics("f")};
        }
        releve.presents.emplace_back(ics("c"), "e-c2");
        std::vector<rapprochement::Voulu> voulus;
        for (const char* uid : {"a", "b", "c", "d", "g"})
            voulus.push_back({uid, QByteArray("ics ") + uid,
                              QByteArray(uid) == "b" ? "h-b2" : QByteArray("h-") + uid});

        const auto plan =
            rapprochement::planifier(etat, releve, QUrl(QStringLiteral("http://h/cal")), voulus);
        QStringList vu;
        const char* sortes[] = {"Ajout",         "Modification", "RemisChange",
                                "RemisSupprime", "Suppression",  "Oubli"};
        for (const rapprochement::Ecriture& w : plan) {
            vu << QStringLiteral("%1 %2 %3")
                      .arg(sortes[int(w.sorte)], QString::fromUtf8(w.uid),
                           QString::fromUtf8(w.attendu.value_or("-")));
            QCOMPARE(w.url.path(QUrl::FullyDecoded),
                     QUrl(base + QString::fromUtf8(w.uid) + ".ics").path());
            const bool ecrit = w.sorte != rapprochement::Ecriture::Sorte::Suppression &&
                               w.sorte != rapprochement::Ecriture::Sorte::Oubli;
            QCOMPARE(w.octets, ecrit ? "ics " + w.uid : QByteArray());
        }
        QCOMPARE(vu, attendu);

        // Written as wanted, nothing more to do.
        rapprochement::EtatAgenda ecrit{base, QStringLiteral("t2"), {}};
        releve = {};
        releve.complet = true;
        for (const rapprochement::Voulu& v : voulus) {
            ecrit.evenements[v.uid] = {ics(v.uid.constData()).toString(), "e", v.empreinte};
            releve.presents.emplace_back(ics(v.uid.constData()), "e");
        }
        QVERIFY(rapprochement::planifier(ecrit, releve, QUrl(base), voulus).empty());
    }
};

QTEST_GUILESS_MAIN(TestRapprochement)
#include "test_rapprochement.moc"
