// "Vos proches…" driven as a user would: the list, the search, a day chosen
// among the candidates or typed, a person left out; each stored at once.
#include "support.h"
#include "windows/proches/dialogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

class TestProchesFenetre : public QObject {
    Q_OBJECT

    static QStringList visibles(const proches::DialogueProches& d)
    {
        QStringList l;
        for (int i = 0; i < d.Liste->rowCount(); ++i)
            if (!d.Liste->isRowHidden(i))
                l << d.Liste->item(i, 0)->text() + '|' + d.Liste->item(i, 1)->text() + '|' +
                         d.Liste->item(i, 2)->text() + '|' + d.Liste->item(i, 4)->text();
        return l;
    }

    static std::vector<socle::Proche> stockes(const test::Installation& inst)
    {
        socle::Database base;
        base.open(QFile::encodeName(inst.dbPath()).toStdString(), socle::OpenMode::ReadOnly);
        std::vector<socle::Proche> p;
        socle::lireProches(base, p);
        return p;
    }

private Q_SLOTS:
    void chooseSearchAndLeaveOut()
    {
        test::Installation inst({{"Georges", "23/04", "0000", "M"},
                                 {"Jean", "24/06", "0000", "M"},
                                 {"Pierre", "29/06", "0000", "M"},
                                 {"Jean-Pierre Dupont", "12/05", "1980", " "},
                                 {"Hélène Martin", "03/03", "----", " "}});
        auto w = inst.startWindow(); // brings the file to this program's schema
        proches::DialogueProches d(w.get(), inst.dbPath());
        QCOMPARE(visibles(d), (QStringList{"Jean-Pierre Dupont|24/06 (Jean)|12/05/1980|oui",
                                           "Hélène Martin||03/03|oui"}));
        d.Recherche->setText(QStringLiteral("helene"));
        QCOMPARE(visibles(d), QStringList{"Hélène Martin||03/03|oui"});
        d.Recherche->setText(QStringLiteral("24/06"));
        QCOMPARE(visibles(d).size(), 1);
        d.Recherche->clear();

        // Jean-Pierre: the candidates of Jean, then Pierre; Pierre chosen.
        d.Liste->selectRow(0);
        QCOMPARE(d.Jour->count(), 3);
        QCOMPARE(d.Jour->itemText(0), QStringLiteral("Proposé : 24/06 (Jean)"));
        QCOMPARE(d.Jour->itemText(2), QStringLiteral("29/06 (Pierre)"));
        d.Jour->activated(2);
        std::vector<socle::Proche> p = stockes(inst);
        QCOMPARE(p[0].jour + '|' + p[0].fete, std::string("29/06|Pierre"));
        QVERIFY(p[0].jourChoisi);
        QCOMPARE(d.Liste->item(0, 1)->text(), QStringLiteral("29/06 (Pierre), choisi"));

        // A day typed for Hélène, whose name the calendar lacks; a wrong one
        // is refused in French and nothing is stored.
        d.Liste->selectRow(1);
        QVERIFY(!d.choisirJour(QStringLiteral("31/02")));
        QVERIFY(d.Etat->text().contains(QStringLiteral("n'est pas un jour")));
        QVERIFY(stockes(inst)[1].jour.empty());
        d.Jour->setEditText(QStringLiteral("18/08"));
        QTest::keyClick(d.Jour->lineEdit(), Qt::Key_Return);
        QCOMPARE(stockes(inst)[1].jour, std::string("18/08"));
        QVERIFY(d.Etat->text().isEmpty());

        // Left out, then the proposed day back for Jean-Pierre.
        d.Souhaiter->click();
        QVERIFY(!stockes(inst)[1].souhaiter);
        QCOMPARE(d.Liste->item(1, 4)->text(), QStringLiteral("non"));
        d.Liste->selectRow(0);
        d.Jour->activated(0);
        p = stockes(inst);
        QCOMPARE(p[0].jour, std::string("24/06"));
        QVERIFY(!p[0].jourChoisi);
    }
};

QTEST_MAIN(TestProchesFenetre)
#include "test_proches_fenetre.moc"
