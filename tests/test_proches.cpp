// The people behind the names: a person's name day found in the calendar's
// own name days, and the people kept in step with the birthday entries.
#include "proches/appariement.h"
#include "proches/proches.h"
#include "socle/calendrier_fr.h"
#include "socle/schema.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

std::vector<socle::FicheStockee> calendrier()
{
    std::vector<socle::FicheStockee> table;
    for (const socle::Fiche& f : socle::calendrierFr())
        table.push_back({std::int64_t(table.size() + 1), f});
    // Added by the user.
    table.push_back({9001, {"Kylian", "15/10", "0000", "M"}});
    table.push_back({9002, {" kévin ", "15/10", "0000", "M"}});
    table.push_back({9003, {"Paul Martin", "12/05", "1980", " "}}); // a birthday: no name day
    return table;
}

QString dits(const std::vector<proches::Candidat>& c)
{
    QStringList l;
    for (const proches::Candidat& j : c)
        l << QString::fromStdString(j.jour + ' ' + j.fete);
    return l.join(QStringLiteral(", "));
}

QStringList personnes(socle::Database& base)
{
    std::vector<socle::Proche> p;
    socle::lireProches(base, p);
    QStringList l;
    for (const socle::Proche& x : p)
        l << QString::fromStdString(x.nom + '|' + x.prenoms + '|' + x.jour + '|' + x.fete + '|' +
                                    (x.fiche ? "fiche" : "-") + (x.jourChoisi ? "|choisi" : ""));
    return l;
}

} // namespace

class TestProches : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // FN, then N's given and additional names: the days offered, the first
    // proposed.
    void candidats_data()
    {
        QTest::addColumn<QString>("fn");
        QTest::addColumn<QString>("prenom");
        QTest::addColumn<QString>("autres");
        QTest::addColumn<QString>("jours");
        const QString jean = QStringLiteral(
            "31/01 Jean, 08/03 Jean, 09/04 Jean, 24/06 Jean, 19/08 Jean, 23/10 Jean, 27/12 Jean");
        const QString pierre = QStringLiteral("15/04 Pierre, 23/04 Pierre, 27/04 Pierre, 29/06 "
                                              "Pierre, 01/08 Pierre, 09/12 Pierre, 21/12 Pierre");
        const QString marie = QStringLiteral(
            "01/01 Marie, 25/03 Marie, 15/08 Marie, 08/09 Marie, 21/11 Marie, 08/12 Marie");
        QTest::newRow("Georges") << "Georges Dupont"
                                 << "Georges"
                                 << ""
                                 << "23/04 Georges";
        QTest::newRow("casse") << "georges"
                               << ""
                               << ""
                               << "23/04 Georges";
        QTest::newRow("accent") << "Hélène"
                                << ""
                                << ""
                                << "18/08 Hélène";
        QTest::newRow("sans accent") << "HELENE"
                                     << ""
                                     << ""
                                     << "18/08 Hélène";
        QTest::newRow("Ève") << "Ève"
                             << ""
                             << ""
                             << "06/09 Ève";
        QTest::newRow("Jean-Pierre") << "Jean-Pierre Dupont"
                                     << "Jean-Pierre"
                                     << "" << jean + ", " + pierre;
        QTest::newRow("Jean Pierre dans N") << "J.-P. Dupont"
                                            << "Jean"
                                            << "Pierre" << jean + ", " + pierre;
        QTest::newRow("Marie-Claire") << "Marie-Claire"
                                      << ""
                                      << "" << marie + ", 11/08 Claire";
        QTest::newRow("Marie, plusieurs jours") << "Marie"
                                                << "Marie"
                                                << "" << marie;
        QTest::newRow("entier d'abord")
            << "Jean-Baptiste"
            << ""
            << ""
            << "07/04 Jean-Baptiste, 24/06 Jean-Baptiste, 31/01 Jean, 08/03 Jean, 09/04 Jean, "
               "19/08 Jean, 23/10 Jean, 27/12 Jean";
        QTest::newRow("N avant FN") << "Dupont Jean"
                                    << "Jean"
                                    << "" << jean;
        QTest::newRow("titre dans FN") << "Dr. Paul Martin"
                                       << "Paul"
                                       << ""
                                       << "25/01 Paul, 28/04 Paul, 29/06 Paul";
        QTest::newRow("absent du calendrier") << "Zébulon"
                                              << ""
                                              << ""
                                              << "";
        QTest::newRow("ajouté par l'utilisateur") << "Kylian"
                                                  << ""
                                                  << ""
                                                  << "15/10 Kylian";
        QTest::newRow("deux sources") << "Kevin"
                                      << ""
                                      << ""
                                      << "03/06 Kévin, 15/10 kévin";
        QTest::newRow("sans lettre") << "007"
                                     << ""
                                     << ""
                                     << "";
        QTest::newRow("anniversaire, pas une fête")
            << "Paul Martin"
            << ""
            << ""
            << "25/01 Paul, 28/04 Paul, 29/06 Paul, 11/11 Martin";
    }
    void candidats()
    {
        QFETCH(QString, fn);
        QFETCH(QString, prenom);
        QFETCH(QString, autres);
        QFETCH(QString, jours);
        static const proches::NomsDuCalendrier noms(calendrier());
        const std::string prenoms =
            proches::prenomsDeLaCarte(fn.toStdString(), prenom.toStdString(), autres.toStdString());
        QCOMPARE(dits(proches::candidats(noms, prenoms)), jours);
    }

    void plier()
    {
        QCOMPARE(proches::plier("  Œdipe  Ærø-Łukasz ßa  "), std::string("oedipe-aero-lukasz-ssa"));
        QCOMPARE(proches::premierPrenom(" Jean-Pierre  Dupont"), std::string("Jean-Pierre"));
    }

    // Birthday entries become people; the user's choice survives a rename;
    // a deleted entry takes its person unless the user chose; a second run
    // changes nothing; a person left out is never told.
    void suivreLeCalendrier()
    {
        QTemporaryDir dossier;
        socle::Database base;
        QVERIFY(base.open(QFile::encodeName(dossier.filePath("t.db")).toStdString(),
                          socle::OpenMode::Create));
        QCOMPARE(socle::creerTable(base), int(socle::SqliteOk));
        std::vector<socle::Fiche> fiches = socle::calendrierFr();
        fiches.push_back({"Georges Dupont", "12/05", "1980", " "});
        fiches.push_back({"Marie Curie", "07/11", "1867", "F"});
        fiches.push_back({"007", "01/02", "1990", " "});
        const socle::Ajout ajout = socle::ajouterFiches(base, fiches, socle::Doublons::Ajouter);
        QCOMPARE(ajout.code, int(socle::SqliteOk));
        QCOMPARE(socle::mettreANiveau(base).etat, socle::MiseANiveau::AJour);

        proches::Bilan b;
        QCOMPARE(proches::suivreLeCalendrier(base, &b), int(socle::SqliteOk));
        QCOMPARE(b.ajoutes, 3);
        QCOMPARE(personnes(base),
                 (QStringList{"Georges Dupont|Georges|23/04|Georges|fiche",
                              "Marie Curie|Marie|01/01|Marie|fiche", "007|007|||fiche"}));

        // Marie's day chosen, then her entry renamed.
        std::vector<socle::Proche> p;
        socle::lireProches(base, p);
        std::vector<socle::FicheStockee> table;
        socle::lireFiches(base, table);
        QVERIFY(!proches::choisir(p[1], "31/02", true, table));
        QVERIFY(proches::choisir(p[1], "15/08", true, table));
        QCOMPARE(socle::ecrireProche(base, p[1]), int(socle::SqliteOk));
        const std::int64_t marie = ajout.rowids[fiches.size() - 2];
        bool trouvee = false;
        socle::modifierFiche(base, marie, {"Marie-Claire Curie", "07/11", "1867", "F"},
                             {true, false, false, false}, trouvee);
        QCOMPARE(proches::suivreLeCalendrier(base, &b), int(socle::SqliteOk));
        QCOMPARE(b.modifies, 1);
        QCOMPARE(personnes(base)[1],
                 QStringLiteral("Marie-Claire Curie|Marie-Claire|15/08|Marie|fiche|choisi"));
        QCOMPARE(proches::suivreLeCalendrier(base, &b), int(socle::SqliteOk));
        QCOMPARE(b.ajoutes + b.modifies + b.retires, 0);

        // Left out: never told.
        std::vector<socle::Proche> du;
        QCOMPARE(socle::lireProchesDesJours(base, {"23/04", "15/08"}, du), int(socle::SqliteOk));
        QCOMPARE(du.size(), size_t(2));
        socle::lireProches(base, p = {});
        p[0].souhaiter = false;
        socle::ecrireProche(base, p[0]);
        du.clear();
        socle::lireProchesDesJours(base, {"23/04", "15/08"}, du);
        QCOMPARE(du.size(), size_t(1));
        QCOMPARE(du[0].nom, std::string("Marie-Claire Curie"));

        // Entries deleted: Georges was left out, Marie's day chosen: both
        // kept without their entry; 007 goes.
        for (size_t i = fiches.size() - 3; i < fiches.size(); ++i)
            socle::supprimerFiche(base, ajout.rowids[i]);
        QCOMPARE(proches::suivreLeCalendrier(base, &b), int(socle::SqliteOk));
        QCOMPARE(b.retires, 1);
        QCOMPARE(b.gardes, 2);
        QCOMPARE(personnes(base),
                 (QStringList{"Georges Dupont|Georges|23/04|Georges|-",
                              "Marie-Claire Curie|Marie-Claire|15/08|Marie|-|choisi"}));
    }
};

QTEST_GUILESS_MAIN(TestProches)
#include "test_proches.moc"
