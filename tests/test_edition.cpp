#include "support.h"

#include <QClipboard>
#include <QtTest>

using test::Row;
using test::shown;

namespace {

std::vector<Row> calendrier()
{
    return {{"Georges", "23/04", "0000", "M"},
            {"Fidèle", "24/04", "0000", "M"},
            {"Zita", "27/04", "0000", "F"},
            {"Paul", "12/05", "1990", " "}};
}

QString clipboard()
{
    return QGuiApplication::clipboard()->text();
}

} // namespace

class TestEdition : public QObject {
    Q_OBJECT

    static bool adding(const Tarvelon& w)
    {
        return w.SSCommand1[3]->isVisibleTo(const_cast<Tarvelon*>(&w)) &&
               w.SSCommand1[4]->isVisibleTo(const_cast<Tarvelon*>(&w)) &&
               !w.SSCommand1[0]->isVisibleTo(const_cast<Tarvelon*>(&w)) &&
               !w.SSCommand1[1]->isVisibleTo(const_cast<Tarvelon*>(&w));
    }
    static bool browsing(const Tarvelon& w)
    {
        return !w.SSCommand1[3]->isVisibleTo(const_cast<Tarvelon*>(&w)) &&
               w.SSCommand1[0]->isVisibleTo(const_cast<Tarvelon*>(&w)) &&
               w.SSCommand1[1]->isVisibleTo(const_cast<Tarvelon*>(&w));
    }

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void addThenCancel_storesNothing()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        w->SSCommand2_Click(3);
        w->SSCommand1[0]->click();
        QVERIFY(adding(*w));
        QCOMPARE(shown(*w), QStringLiteral("|"));
        QCOMPARE(w->List1->count(), 0);
        QCOMPARE(w->SSPanel4->caption(), QString());
        QCOMPARE(w->Label1[2]->text(), QString());
        QVERIFY(!w->SSOption1[0]->isChecked() && !w->SSOption1[1]->isChecked());
        QCOMPARE(QApplication::focusWidget(), w->Text1[0]);
        QTest::keyClicks(w->Text1[0], QStringLiteral("Oublie"));
        w->SSCommand1[4]->click();
        QVERIFY(browsing(*w));
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QCOMPARE(inst.storedRows().size(), 4);
    }

    void validate_nameDay()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        w->SSCommand1_Click(0);
        QTest::keyClicks(w->Text1[0], QStringLiteral("Aude"));
        QTest::keyClicks(w->Text1[1], QStringLiteral("18/11"));
        QTest::mouseClick(w->SSOption1[0], Qt::LeftButton, {}, QPoint(6, 6));
        w->SSCommand1_Click(3);
        QCOMPARE(inst.storedRows().last(), QStringLiteral("Aude|18/11|0000|F"));
        QCOMPARE(shown(*w), QStringLiteral("Aude|18/11"));
        QCOMPARE(w->SSPanel4->caption(), QStringLiteral("18 novembre"));
        QVERIFY(w->SSOption1[0]->isChecked());
        QVERIFY(browsing(*w));

        w->SSCommand1_Click(0); // neither option chosen
        QTest::keyClicks(w->Text1[0], QStringLiteral("Saturnin"));
        QTest::mouseClick(w->SSOption1[1], Qt::LeftButton, {}, QPoint(6, 6));
        QTest::keyClicks(w->Text1[1], QStringLiteral("29/11"));
        w->SSCommand1_Click(3);
        QCOMPARE(inst.storedRows().last(), QStringLiteral("Saturnin|29/11|0000|M"));
        w->SSCommand1_Click(0);
        QTest::keyClicks(w->Text1[0], QStringLiteral("Sans"));
        w->SSCommand1_Click(3);
        QCOMPARE(inst.storedRows().last(), QStringLiteral("Sans||0000|"));
    }

    void validate_birthday()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        w->SSCommand5_Click();
        w->SSCommand1_Click(0);
        w->Text1[0]->setText(QString::fromUtf8("Léa"));
        QTest::keyClicks(w->Text1[1], QStringLiteral("02/02"));
        QTest::keyClicks(w->Text3, QStringLiteral("2019"));
        w->SSCommand1_Click(3);
        QCOMPARE(inst.storedRows().last(), QString::fromUtf8("Léa|02/02|2019| "));
        QCOMPARE(shown(*w), QString::fromUtf8("Léa|02/02"));
        QCOMPARE(w->Label1[2]->text(), QStringLiteral("7 ans cette année. "));
    }

    void moveWhileAdding_storesTheNewEntry()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        w->SSCommand1_Click(0);
        QTest::keyClicks(w->Text1[0], QStringLiteral("Albert"));
        QTest::keyClicks(w->Text1[1], QStringLiteral("15/11"));
        w->SSCommand2_Click(2);
        QCOMPARE(inst.storedRows().last(), QStringLiteral("Albert|15/11|0000|"));
        QVERIFY(adding(*w)); // the pair stays until Valider or Annuler
        w->SSCommand2_Click(3);
        QCOMPARE(shown(*w), QStringLiteral("Albert|15/11"));
    }

    void delete_firstLastOnlyAndNo()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->SSCommand2_Click(2);
        inst.messages.answers = {platform::AnswerNo};
        w->SSCommand1_Click(1);
        QCOMPARE(inst.messages.shown.back().text,
                 QString::fromUtf8("Etes-vous sûr de vouloir supprimer ce prénom ?"));
        QCOMPARE(inst.messages.shown.back().title, QStringLiteral("Suppression..."));
        QCOMPARE(inst.messages.shown.back().style, 36);
        QCOMPARE(inst.storedRows().size(), 4);
        QCOMPARE(test::listItems(*w), QStringList()); // Georges has no other name of his day
        QCOMPARE(w->SSPanel4->caption(), QStringLiteral("23 avril"));

        w->SSCommand1_Click(1); // the first: the following one
        QCOMPARE(shown(*w), QString::fromUtf8("Fidèle|24/04"));
        QCOMPARE(w->SSPanel4->caption(), QString()); // not redrawn
        w->SSCommand2_Click(3);
        w->SSCommand1_Click(1); // the last: the previous one
        QCOMPARE(shown(*w), QString::fromUtf8("Fidèle|24/04"));
        w->SSCommand1_Click(1); // the only one: nothing left
        QCOMPARE(shown(*w), QStringLiteral("|"));
        QCOMPARE(inst.storedRows(), QStringList{"Paul|12/05|1990| "});
        QCOMPARE(inst.messages.shown.size(), size_t(4)); // the questions only
    }

    void copy_greetingLine()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->SSCommand1_Click(5);
        QCOMPARE(clipboard(), QStringLiteral("23/04 St Georges"));
        w->SSCommand2_Click(3);
        w->SSCommand1_Click(5);
        QCOMPARE(clipboard(), QStringLiteral("27/04 Ste Zita"));
        w->SSCommand5_Click(); // no option chosen
        w->SSCommand1_Click(5);
        QCOMPARE(clipboard(), QStringLiteral("12/05 St Paul"));
    }

    void namesList_everyEntryOfTheView()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->SSCommand2_Click(3);
        w->SSCommand1_Click(6);
        QCOMPARE(clipboard(),
                 QString::fromUtf8("23/04\tGeorges\n\r24/04\tFidèle\n\r27/04\tZita\n\r"));
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));

        test::Installation vide({{"Georges", "23/04", "0000", "M"}});
        auto v = vide.startWindow();
        v->SSCommand5_Click();
        v->SSCommand1_Click(6);
        QCOMPARE(clipboard(), QStringLiteral("\t\n\r"));
    }

    void namesList_endsWhenTheSetCannotMove()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(w->Data1->database().exec("PRAGMA query_only = ON"));
        w->Text1[0]->setText(QStringLiteral("Georgette"));
        w->SSCommand1_Click(6);
        QCOMPARE(clipboard(), QStringLiteral("23/04\tGeorgette\n\r"));
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Georgette"));
    }

    void refusedStores_toldAndNothingLost()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(w->Data1->database().exec("PRAGMA query_only = ON"));
        // An overtyped entry left by a move.
        w->Text1[0]->setText(QStringLiteral("Georgette"));
        w->SSCommand2_Click(0);
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY(inst.messages.shown[0].text.startsWith(QString::fromUtf8(
            "Les modifications de « Georgette » (23/04) n'ont pas pu être enregistrées")));
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Georgette"));
        w->Data1->updateControls();

        // A new entry refused by "Valider": still adding, with what was typed.
        w->SSCommand1_Click(0);
        w->Text1[0]->setText(QStringLiteral("Nouveau"));
        w->Text1[1]->setText(QStringLiteral("01/01"));
        inst.messages.shown.clear();
        QTest::mouseClick(w->SSCommand1[3], Qt::LeftButton); // a fresh action of the user
        w->SSCommand1_Click(3);
        QVERIFY(!inst.messages.shown.empty());
        QVERIFY(inst.messages.shown[0].text.contains(
            QString::fromUtf8("La nouvelle entrée « Nouveau »")));
        QVERIFY(adding(*w));
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Nouveau"));
        w->SSCommand1_Click(4);

        // A deletion refused: the entry stays.
        inst.messages.shown.clear();
        QTest::mouseClick(w->SSCommand1[1], Qt::LeftButton);
        QVERIFY(
            inst.messages.shown.back().text.contains(QStringLiteral("n'a pas pu être supprimée")));
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QCOMPARE(inst.storedRows().size(), 4);
    }

    void emptyView_everyCommandKeepsRunning()
    {
        test::Installation inst({{"Georges", "23/04", "0000", "M"}});
        auto w = inst.startWindow();
        w->SSCommand5_Click(); // no birthday yet
        w->Text2->setText(QStringLiteral("Zoe"));
        w->SSCommand3_Click();
        QCOMPARE(inst.messages.texts(),
                 QStringList{"Je ne connais pas Zoe\n\rce nom est absent du fichier !"});
        for (int i : {0, 1, 2, 3})
            w->SSCommand2_Click(i);
        QCOMPARE(test::listItems(*w), (QStringList{"", "Attention", "Date inconnue !!!"}));
        w->SSCommand1_Click(1); // Supprimer: asked, nothing to delete
        w->SSCommand1_Click(5);
        QCOMPARE(clipboard(), QStringLiteral(" St "));
        QCOMPARE(inst.messages.shown.size(), size_t(2));

        w->SSCommand1_Click(0); // the first birthday
        w->Text1[0]->setText(QStringLiteral("Zoe"));
        w->Text1[1]->setText(QStringLiteral("23/04"));
        w->Text3->setText(QStringLiteral("2020"));
        w->SSCommand1_Click(3);
        QCOMPARE(inst.storedRows().last(), QStringLiteral("Zoe|23/04|2020| "));
        QCOMPARE(shown(*w), QStringLiteral("Zoe|23/04"));
        QCOMPARE(test::listItems(*w), QStringList{"Georges"});
    }

    void closing_storesTheTypedChange()
    {
        test::Installation inst(calendrier());
        {
            auto w = inst.startWindow();
            w->Text1[0]->setText(QStringLiteral("Georgio"));
            w->SSCommand1_Click(2); // Quitter
            QVERIFY(!w->isVisible());
        }
        QCOMPARE(inst.storedRows().first(), QStringLiteral("Georgio|23/04|0000|M"));
        auto again = inst.startWindow();
        QCOMPARE(shown(*again), QStringLiteral("Georgio|23/04"));
    }
};

QTEST_MAIN(TestEdition)
#include "test_edition.moc"
