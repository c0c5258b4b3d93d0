// When the database refuses (another program holds it, the file is read-only,
// deleted or truncated): nothing the user typed is lost or written over an
// entry, every refusal is told once per action, in French.
#include "support.h"

#include "platform/sqlite.h"

#include <QFile>
#include <QtTest>

using test::press;
using test::Row;
using test::shown;

namespace {

std::vector<Row> calendrier()
{
    return {{"Georges", "23/04", "0000", "M"},
            {"Fidèle", "24/04", "0000", "M"},
            {"Zita", "27/04", "0000", "F"},
            {"Paul", "12/05", "1990", " "},
            {"Léa", "23/04", "2019", " "}};
}

// Another program holding the whole file until release().
class Verrou {
public:
    explicit Verrou(const QString& path)
    {
        QVERIFY(m_db.open(path, false));
        QVERIFY(m_db.exec("BEGIN EXCLUSIVE"));
    }
    void release() { m_db.exec("COMMIT"); }

private:
    platform::SqliteDatabase m_db;
};

bool adding(const Tarvelon& w)
{
    return w.SSCommand1[3]->isVisibleTo(&w) && !w.SSCommand1[0]->isVisibleTo(&w);
}

} // namespace

class TestRefus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void refusedAdd_leavesTheWindowAsItWas()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->Data1->setBusyTimeout(50);
        w->Text1[0]->setText(QStringLiteral("Georges2"));
        Verrou verrou(inst.dbPath());
        w->SSCommand1[0]->click(); // Ajouter
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY(!adding(*w));
        QVERIFY(!w->Data1->recordset().isAdding());
        QCOMPARE(shown(*w), QStringLiteral("Georges2|23/04"));
        QCOMPARE(test::listItems(*w), QStringList{});
        verrou.release();

        // Once the file is free, Ajouter stores the overtype and begins anew.
        w->SSCommand1[0]->click();
        QVERIFY(adding(*w));
        QCOMPARE(inst.storedRows().first(), QStringLiteral("Georges2|23/04|0000|M"));
    }

    void validate_onlyEverAdds()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        // A move while adding stores the new entry; Valider stays on screen.
        w->SSCommand1_Click(0);
        w->Text1[0]->setText(QStringLiteral("Albert"));
        w->Text1[1]->setText(QStringLiteral("15/11"));
        w->SSCommand2_Click(2);
        QVERIFY(adding(*w));
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));

        // What is then typed over the entry shown goes into a new entry.
        w->Text1[0]->setText(QStringLiteral("Nouveau"));
        w->Text1[1]->setText(QStringLiteral("01/01"));
        w->SSCommand1_Click(3);
        const QStringList rows = inst.storedRows();
        QCOMPARE(rows.first(), QStringLiteral("Georges|23/04|0000|M"));
        QCOMPARE(rows.mid(rows.size() - 2),
                 (QStringList{"Albert|15/11|0000|", "Nouveau|01/01|0000|M"}));
        QCOMPARE(shown(*w), QStringLiteral("Nouveau|01/01"));
        QVERIFY(!adding(*w));

        // With nothing typed, Valider adds nothing.
        w->SSCommand1_Click(0);
        w->Text1[0]->setText(QStringLiteral("Bruno"));
        w->SSCommand2_Click(2);
        const int count = inst.storedRows().size();
        w->SSCommand1_Click(3);
        QCOMPARE(inst.storedRows().size(), count);
    }

    void refusedStoreAtClosing_asksBeforeLosingTheText()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        QVERIFY(w->Data1->database().exec("PRAGMA query_only = ON"));
        w->Text1[0]->setText(QStringLiteral("Perdu?"));
        inst.messages.answers = {platform::AnswerNo};
        w->SSCommand1[2]->click();                       // Quitter
        QCOMPARE(inst.messages.shown.size(), size_t(1)); // one question, no other box
        const platform::MessageRequest& question = inst.messages.shown[0];
        QCOMPARE(question.style, platform::MbYesNoQuestion | platform::MbDefaultButton2);
        QVERIFY(question.text.contains(QString::fromUtf8("« Perdu? » (23/04)")));
        QVERIFY(question.text.endsWith(
            QString::fromUtf8("Quitter sans enregistrer ce que vous avez tapé ?")));
        QVERIFY(w->isVisible());
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Perdu?"));

        w->close(); // the window system's close: the same question, No by default
        QVERIFY(w->isVisible());
        inst.messages.answers = {platform::AnswerYes};
        w->close();
        QVERIFY(!w->isVisible());
        QCOMPARE(inst.storedRows().first(), QStringLiteral("Georges|23/04|0000|M"));
    }

    // Every action tells its refusal, whatever the device it came from.
    void refusal_toldForEveryAccessibleAction()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(w->Data1->database().exec("PRAGMA query_only = ON"));
        w->Text1[0]->setText(QStringLiteral("Georgette"));
        press(w->SSCommand2[0]);
        QTRY_COMPARE(inst.messages.shown.size(), size_t(1));
        press(w->SSCommand2[0]);
        QTRY_COMPARE(inst.messages.shown.size(), size_t(2));
        w->Data1->updateControls();
        press(w->SSCommand1[1]); // Supprimer, then Oui
        QTRY_COMPARE(inst.messages.shown.size(), size_t(4));
        QVERIFY(inst.messages.shown[3].text.contains(QStringLiteral("n'a pas pu être supprimée")));
        QCOMPARE(inst.storedRows().size(), 5);
    }

    void lockedViewSwitch_oneMessageAndNoHalfSwitch()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->Data1->setBusyTimeout(50);
        {
            Verrou verrou(inst.dbPath());
            w->SSCommand5->click();
            QCOMPARE(inst.messages.shown.size(), size_t(1));
            QVERIFY(inst.messages.shown[0].text.contains(QStringLiteral("autre programme")));
        }
        QVERIFY(w->ModeFetes);
        QCOMPARE(w->windowTitle(), QString::fromUtf8("Fêtes à Souhaiter"));
        QCOMPARE(w->SSCommand5->text(), QStringLiteral("Anniversaires"));
        QVERIFY(w->SSOption1[0]->isVisibleTo(w.get()) && !w->Text3->isVisibleTo(w.get()));
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));

        w->SSCommand5->click(); // free again: the whole switch
        QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
        inst.messages.shown.clear();
        {
            Verrou verrou(inst.dbPath());
            w->SSCommand5->click(); // back to the name days: refused whole
            QCOMPARE(w->windowTitle(), QStringLiteral("Anniversaires"));
            QVERIFY(!w->ModeFetes && w->Text3->isVisibleTo(w.get()));
            QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
            // In the birthday view a move redraws without the name days.
            w->SSCommand2[0]->click();
            QCOMPARE(shown(*w), QString::fromUtf8("Léa|23/04"));
            QCOMPARE(test::listItems(*w), QStringList{});
            QCOMPARE(w->windowTitle(), QStringLiteral("Anniversaires"));
        }
        QCOMPARE(inst.messages.shown.size(), size_t(2)); // one per action
        w->SSCommand2[2]->click();
        QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
        w->SSCommand2[0]->click();
        QCOMPARE(test::listItems(*w), QStringList{"Georges"});
    }

    void reasons_inFrench_deletedOrDamaged()
    {
        {
            test::Installation inst(calendrier());
            auto w = inst.startWindow();
            QVERIFY(QFile::remove(inst.dbPath()));
            w->Text1[0]->setText(QStringLiteral("Georgette"));
            w->SSCommand2[0]->click();
            QCOMPARE(inst.messages.shown.size(), size_t(1));
            const QString text = inst.messages.shown[0].text;
            QVERIFY2(text.contains(QString::fromUtf8("supprimé ou déplacé")), qPrintable(text));
            QVERIFY(text.contains(QString::fromUtf8("redémarré")));
            QVERIFY(!text.contains(QStringLiteral("lecture seule")));
        }
        {
            test::Installation inst(calendrier());
            auto w = inst.startWindow();
            QVERIFY(QFile::resize(inst.dbPath(), 0));
            w->SSCommand5->click();
            QCOMPARE(inst.messages.shown.size(), size_t(1));
            const QString text = inst.messages.shown[0].text;
            QVERIFY2(text.contains(QString::fromUtf8("endommagé")), qPrintable(text));
            QVERIFY(!text.contains(QStringLiteral("no such")));
            QVERIFY(w->ModeFetes);
        }
    }

    void longMessage_cutOnACharacterBoundary()
    {
        const QString event =
            QString(3999, QLatin1Char('a')) + QString::fromUtf8("😀") + QStringLiteral("fin");
        const QString cut = platform::displayedMessageText(event);
        QVERIFY(cut.startsWith(QString(3999, QLatin1Char('a')) + QStringLiteral(" […]")));
        for (qsizetype i = 0; i < cut.size(); ++i)
            QVERIFY(!cut[i].isSurrogate());
    }
};

QTEST_MAIN(TestRefus)
#include "test_refus.moc"
