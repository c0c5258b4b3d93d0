#include "support.h"

#include <QtTest>

using test::Row;
using test::shown;

namespace {

std::vector<Row> calendrier()
{
    return {{"Georges", "23/04", "0000", "M"}, {"Fidèle", "24/04", "0000", "M"},
            {"Marie", "15/08", "0000", "F"},   {"Omar", "16/11", "0000", "M"},
            {"Olive", "05/03", "0000", "F"},   {"Jean-Marie l'Ancien", "30/09", "0000", "M"},
            {"Paul", "12/05", "1990", " "},    {"Anne", "03/01", "1985", " "}};
}

const QString NameDayEmpty = QStringLiteral("Veuillez indiquer le Prénom ou la Date recherchés !");

} // namespace

class TestDeplacements : public QObject {
    Q_OBJECT

    void search(Tarvelon& w, const QString& text)
    {
        w.Text2->setText(text);
        w.SSCommand3_Click();
    }

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void navigation_movesAndBouncesAtTheEnds()
    {
        test::Installation inst(calendrier(), "[Evenements]\r\n24/04=x\r\n");
        auto w = inst.startWindow();
        w->SSCommand2_Click(2);
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        w->SSCommand2_Click(1); // before the first and straight back
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QCOMPARE(w->JourCourant, QStringLiteral("23/04"));
        w->SSCommand2_Click(0);
        QCOMPARE(shown(*w), QString::fromUtf8("Fidèle|24/04"));
        QCOMPARE(w->JourCourant, QStringLiteral("24/04"));
        QCOMPARE(platform::foreColor(w->Label1[1]), platform::qbColor(12));
        w->SSCommand2_Click(3);
        QCOMPARE(shown(*w), QStringLiteral("Jean-Marie l'Ancien|30/09"));
        QCOMPARE(platform::foreColor(w->Label1[1]), platform::qbColor(0));
        w->SSCommand2_Click(0); // past the last and straight back
        QCOMPARE(shown(*w), QStringLiteral("Jean-Marie l'Ancien|30/09"));
        QCOMPARE(w->JourCourant, QStringLiteral("30/09"));
        w->SSCommand2_Click(1);
        QCOMPARE(shown(*w), QStringLiteral("Olive|05/03"));
        w->SSCommand2_Click(7); // no move, still redrawn
        QCOMPARE(w->JourCourant, QStringLiteral("05/03"));
        QVERIFY(inst.messages.shown.empty());
    }

    void navigation_oneEntryAndEmptySet()
    {
        test::Installation inst(
            {{"Georges", "23/04", "0000", "M"}, {"Paul", "12/05", "1990", " "}});
        auto w = inst.startWindow();
        w->SSCommand5_Click(); // one birthday
        for (int i = 0; i < 4; ++i) {
            w->SSCommand2_Click(i);
            QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
        }
        test::Installation vide({{"Georges", "23/04", "0000", "M"}});
        auto v = vide.startWindow();
        v->SSCommand5_Click();
        for (int i = 0; i < 4; ++i) {
            v->SSCommand2_Click(i);
            QCOMPARE(shown(*v), QStringLiteral("|"));
            QCOMPARE(test::listItems(*v), (QStringList{"", "Attention", "Date inconnue !!!"}));
            QCOMPARE(v->JourCourant, QString());
        }
        QVERIFY(vide.messages.shown.empty());
    }

    void overtypedName_keptAfterNextThenPrevious()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->show();
        w->Text1[0]->clear();
        QTest::keyClicks(w->Text1[0], QStringLiteral("Georgio"));
        w->SSCommand2_Click(0);
        w->SSCommand2_Click(1);
        QCOMPARE(shown(*w), QStringLiteral("Georgio|23/04"));
        QCOMPARE(inst.storedRows().first(), QStringLiteral("Georgio|23/04|0000|M"));
    }

    void search_byName()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        search(*w, QStringLiteral("mar"));
        QCOMPARE(shown(*w), QStringLiteral("Marie|15/08"));
        QCOMPARE(w->Text2->text(), QString());
        QCOMPARE(w->JourCourant, QStringLiteral("15/08"));
        search(*w, QStringLiteral("OMA"));
        QCOMPARE(shown(*w), QStringLiteral("Omar|16/11"));
        search(*w, QStringLiteral("l'"));
        QCOMPARE(shown(*w), QStringLiteral("Jean-Marie l'Ancien|30/09"));
        search(*w, QStringLiteral("O?i*"));
        QCOMPARE(shown(*w), QStringLiteral("Olive|05/03"));
        QVERIFY(inst.messages.shown.empty());
    }

    void search_notFoundMessages_data()
    {
        QTest::addColumn<bool>("birthdays");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("name, name days") << false << "Zoé"
                                         << "Le prénom Zoé\n\r ne figure pas dans le fichier !";
        QTest::newRow("name, birthdays")
            << true << "Zoé"
            << "Je ne connais pas Zoé\n\rce nom est absent du fichier !";
        QTest::newRow("0/5 is a name") << false << "0/5"
                                       << "Le prénom 0/5\n\r ne figure pas dans le fichier !";
        QTest::newRow("00/05 is a name") << false << "00/05"
                                         << "Le prénom 00/05\n\r ne figure pas dans le fichier !";
        QTest::newRow("blanks are a name") << false << "  "
                                           << "Le prénom   \n\r ne figure pas dans le fichier !";
        QTest::newRow("unclosed bracket") << false << "[ma"
                                          << "Le prénom [ma\n\r ne figure pas dans le fichier !";
        QTest::newRow("date rewritten") << false << "5/4"
                                        << "Le format de date 05/04 est erroné, ou\n\r ne contient "
                                           "aucune fête ou anniversaire à souhaiter !";
        QTest::newRow("no slash kept") << false << "25-12"
                                       << "Le format de date 25-12 est erroné, ou\n\r ne contient "
                                          "aucune fête ou anniversaire à souhaiter !";
        QTest::newRow("3 mars is a date") << false << "3 mars"
                                          << "Le format de date 3 mars est erroné, ou\n\r ne "
                                             "contient aucune fête ou anniversaire à souhaiter !";
        QTest::newRow("day out") << false << "45/03"
                                 << "Le jour doit être compris entre 01 et 31";
        QTest::newRow("month out") << false << "12/13"
                                   << "Le mois doit être compris entre 01 et 12";
        QTest::newRow("both out") << false << "45/13"
                                  << "Le mois doit être compris entre 01 et 12";
        QTest::newRow("huge day") << false << "99999/03"
                                  << "Le jour doit être compris entre 01 et 31";
        QTest::newRow("today's key, no birthday")
            << true << "23/04"
            << "Le format de date 23/04 est erroné, ou\n\r ne "
               "contient aucune fête ou anniversaire à "
               "souhaiter !";
    }

    void search_notFoundMessages()
    {
        QFETCH(bool, birthdays);
        QFETCH(QString, text);
        QFETCH(QString, message);
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        if (birthdays)
            w->SSCommand5_Click();
        w->SSCommand2_Click(3); // away from the first entry
        search(*w, text);
        QCOMPARE(inst.messages.texts(), QStringList{message});
        QCOMPARE(inst.messages.shown[0].style, 0);
        QCOMPARE(inst.messages.shown[0].title, QString());
        // Then the first entry of the view, and an empty box.
        QCOMPARE(shown(*w),
                 birthdays ? QStringLiteral("Paul|12/05") : QStringLiteral("Georges|23/04"));
        QCOMPARE(w->Text2->text(), QString());
        QCOMPARE(w->JourCourant, w->Text1[1]->text());
    }

    void search_rangeErrorOnlyWhenNothingFound()
    {
        // A stored day key out of range is still found: the find comes first.
        test::Installation inst(
            {{"Georges", "23/04", "0000", "M"}, {"Ovni", "45/03", "0000", "M"}});
        auto w = inst.startWindow();
        search(*w, QStringLiteral("45/3"));
        QCOMPARE(shown(*w), QStringLiteral("Ovni|45/03"));
        QVERIFY(inst.messages.shown.empty());
    }

    void search_byDate()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        search(*w, QStringLiteral("5/3"));
        QCOMPARE(shown(*w), QStringLiteral("Olive|05/03"));
        search(*w, QStringLiteral("15/8/1990"));
        QCOMPARE(shown(*w), QStringLiteral("Marie|15/08"));
        w->SSCommand5_Click();
        search(*w, QStringLiteral("3/1"));
        QCOMPARE(shown(*w), QStringLiteral("Anne|03/01")); // the birthday view only
        search(*w, QStringLiteral("ol"));
        QCOMPARE(inst.messages.texts().size(), 1); // no Olive among the birthdays
    }

    void search_emptyText()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        w->SSCommand2_Click(0);
        w->SSCommand1[2]->setFocus();
        search(*w, QString());
        QCOMPARE(inst.messages.texts(), QStringList{NameDayEmpty});
        QCOMPARE(shown(*w), QString::fromUtf8("Fidèle|24/04"));
        QCOMPARE(QApplication::focusWidget(), w->Text2);
        w->SSCommand5_Click();
        w->SSCommand2_Click(1);
        search(*w, QString());
        QCOMPARE(inst.messages.texts().last(),
                 QStringLiteral("Veuillez indiquer un Prénom ou un mot en rapport\n\ravec ce que "
                                "vous recherchez..."));
        QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
    }

    void viewSwitch_bothWays()
    {
        test::Installation inst(calendrier(), "[Evenements]\r\n24/04=x\r\n");
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        w->SSCommand2_Click(0); // 24/04, "Date" in red
        QCOMPARE(platform::foreColor(w->Label1[1]), platform::qbColor(12));
        const QString jour = w->JourCourant;

        w->SSCommand5->click();
        QVERIFY(!w->ModeFetes);
        QCOMPARE(w->windowTitle(), QStringLiteral("Anniversaires"));
        QCOMPARE(w->SSCommand5->text(), QString::fromUtf8("Fêtes à souhaiter"));
        QCOMPARE(w->Label1[3]->text(), QString::fromUtf8("Fêtes du jour"));
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("Evenement"));
        QVERIFY(w->Label1[2]->isVisible() && w->Text3->isVisible());
        QVERIFY(!w->SSOption1[0]->isVisible() && !w->SSOption1[1]->isVisible());
        QCOMPARE(w->Data1->recordSource().text,
                 QStringLiteral("Select * from Fetes where annee <> '0000'"));
        QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
        QCOMPARE(platform::foreColor(w->Label1[1]), platform::qbColor(0));
        QCOMPARE(QApplication::focusWidget(), w->Text2);
        QCOMPARE(w->JourCourant, jour);

        w->SSCommand5->click();
        QVERIFY(w->ModeFetes);
        QCOMPARE(w->windowTitle(), QString::fromUtf8("Fêtes à souhaiter"));
        QCOMPARE(w->SSCommand5->text(), QStringLiteral("Anniversaires"));
        QCOMPARE(w->Label1[3]->text(), QString::fromUtf8("Prénoms associés"));
        QCOMPARE(w->Label1[0]->text(), QString::fromUtf8("Prénom"));
        QVERIFY(!w->Label1[2]->isVisible() && !w->Text3->isVisible());
        QVERIFY(w->SSOption1[0]->isVisible() && w->SSOption1[1]->isVisible());
        QCOMPARE(w->Data1->recordSource().text,
                 QStringLiteral("Select * from Fetes where annee = '0000'"));
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QVERIFY(inst.sound.events.size() == 1); // the move only; a switch plays nothing
    }
};

QTEST_MAIN(TestDeplacements)
#include "test_deplacements.moc"
