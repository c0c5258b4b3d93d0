#include "windows/regles/regles.h"

#include <QtTest>

using namespace windows;

class TestRegles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("name") << "Marie" << 0.0;
        QTest::newRow("0/5") << "0/5" << 0.0;
        QTest::newRow("00/05") << "00/05" << 0.0;
        QTest::newRow("12/05") << "12/05" << 12.0;
        QTest::newRow("5") << "5" << 5.0;
        QTest::newRow("3 mars") << "3 mars" << 3.0;
        QTest::newRow("25-12") << "25-12" << 25.0;
        QTest::newRow("blanks alone") << "   " << 0.0;
        QTest::newRow("leading blanks") << "  1990" << 1990.0;
        QTest::newRow("decimal") << "2.5/3" << 2.5;
        QTest::newRow("sign") << "-5/3" << -5.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("year with letters") << "19a0" << 19.0;
        QTest::newRow("exponent") << "1e2x" << 100.0;
        QTest::newRow("e without digits") << "12e" << 12.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NombreEnTete(text), value);
        QCOMPARE(RechercheParDate(text), value != 0);
    }

    void rewriting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rewritten");
        QTest::addColumn<int>("error");
        QTest::newRow("5/3") << "5/3"
                             << "05/03" << 0;
        QTest::newRow("12/1") << "12/1"
                              << "12/01" << 0;
        QTest::newRow("5/12/90") << "5/12/90"
                                 << "05/12" << 0;
        QTest::newRow("25/123") << "25/123"
                                << "25/12" << 0;
        QTest::newRow("day out") << "45/03"
                                 << "45/03" << 1;
        QTest::newRow("month out") << "12/13"
                                   << "12/13" << 2;
        QTest::newRow("both out: month wins") << "45/13"
                                              << "45/13" << 2;
        QTest::newRow("no slash kept") << "25-12"
                                       << "25-12" << 0;
        QTest::newRow("halves to even") << "2.5/3"
                                        << "02/03" << 0;
        QTest::newRow("empty month") << "12/"
                                     << "12/00" << 2;
        QTest::newRow("day beyond 16 bits") << "99999/3"
                                            << "99999/03" << 1;
        QTest::newRow("huge day") << QString(400, '9') + "/3" << QString(400, '9') + "/03" << 1;
    }
    void rewriting()
    {
        QFETCH(QString, text);
        QFETCH(QString, rewritten);
        QFETCH(int, error);
        const DateRecherchee date = ReecrireDate(text);
        QCOMPARE(date.texte, rewritten);
        QCOMPARE(date.erreur, error);
    }

    void age_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("line");
        QTest::newRow("this year") << "2026"
                                   << "Trés bientôt 1 an...";
        QTest::newRow("future") << "2030"
                                << "Trés bientôt 1 an...";
        QTest::newRow("one") << "2025"
                             << "1 an cette année";
        QTest::newRow("thirty") << "1996"
                                << "30 ans cette année. ";
        QTest::newRow("not a number") << "abcd"
                                      << "2026 ans cette année. ";
        QTest::newRow("empty") << ""
                               << "2026 ans cette année. ";
    }
    void age()
    {
        QFETCH(QString, year);
        QFETCH(QString, line);
        QCOMPARE(LigneAge(AgeCetteAnnee(2026, year)), line);
    }

    void dayInWords_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("withWeekday");
        QTest::newRow("05/03") << "05/03" << 2026 << "5 mars"
                               << "jeudi 5 mars";
        QTest::newRow("25/12") << "25/12" << 2024 << "25 décembre"
                               << "mercredi 25 décembre";
        QTest::newRow("29/02 leap") << "29/02" << 2024 << "29 février"
                                    << "jeudi 29 février";
        QTest::newRow("29/02 common") << "29/02" << 2026 << "29 février"
                                      << "29 février";
        QTest::newRow("31/04") << "31/04" << 2026 << ""
                               << "31/04";
        QTest::newRow("not a date") << "Noël" << 2026 << ""
                                    << "Noël";
        QTest::newRow("5/3 unpadded") << "5/3" << 2026 << "5 mars"
                                      << "jeudi 5 mars";
    }
    void dayInWords()
    {
        QFETCH(QString, key);
        QFETCH(int, year);
        QFETCH(QString, words);
        QFETCH(QString, withWeekday);
        QCOMPARE(JourEnLettres(key, year), words);
        QCOMPARE(JourEnLettresAvecSemaine(key, year), withWeekday);
    }

    void dayKey() { QCOMPARE(CleDeLaDate(QDate(2026, 3, 5)), QStringLiteral("05/03")); }
};

QTEST_MAIN(TestRegles)
#include "test_regles.moc"
