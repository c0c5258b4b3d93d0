#include "support.h"
#include "windows/about/apropos.h"

#include <QAccessible>
#include <QMessageBox>
#include <QTextBrowser>
#include <QtTest>

using test::listItems;
using test::Row;
using test::shown;

namespace {

std::vector<Row> calendrier()
{
    return {{"Georges", "23/04", "0000", "M"},  {"Fidèle", "24/04", "0000", "M"},
            {"Adalbert", "23/04", "0000", "M"}, {"Olive", "05/03", "0000", "F"},
            {"Gilles", "23/04", "0000", "M"},   {"Jean", "24/06", "0000", "M"},
            {"Jean", "24/06", "0000", "M"},     {"Jean", "24/06", "1980", " "},
            {"Jean", "23/04", "2000", " "},     {"Lucie", "23/04", "2025", " "},
            {"Auguste", "29/02", "0000", "M"},  {"Bizarre", "31/04", "0000", "M"}};
}

} // namespace

class TestFenetre : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void layout_asDesigned()
    {
        test::Installation inst(calendrier());
        Tarvelon w;
        QCOMPARE(w.size(), QSize(242, 253));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Fêtes à Souhaiter"));
        w.show();
        const QStringList hidden = {"SSCommand1_3", "SSCommand1_4", "Text1_2", "Text3", "Label1_2"};
        const QStringList visible = {"SSCommand1_0", "SSCommand1_1", "SSCommand1_2", "SSCommand1_5",
                                     "SSCommand1_6", "SSCommand2_0", "SSCommand2_3", "SSCommand3",
                                     "SSCommand4",   "SSCommand5",   "SSOption1_0",  "SSOption1_1",
                                     "Text1_0",      "Text1_1",      "Text2",        "List1",
                                     "Label1_0",     "Label1_1",     "Label1_3",     "Label2",
                                     "SSPanel1",     "SSPanel2",     "SSPanel3",     "SSPanel4"};
        for (const QString& name : hidden) {
            auto* c = w.findChild<QWidget*>(name);
            QVERIFY2(c && !c->isVisible(), qPrintable(name));
        }
        for (const QString& name : visible) {
            auto* c = w.findChild<QWidget*>(name);
            QVERIFY2(c && c->isVisible(), qPrintable(name));
        }
        QCOMPARE(w.SSCommand1[3]->geometry(), w.SSCommand1[0]->geometry());
        QCOMPARE(w.SSCommand1[4]->geometry(), w.SSCommand1[1]->geometry());
        QCOMPARE(w.Text1[0]->maxLength(), 30);
        QCOMPARE(w.Text1[1]->maxLength(), 5);
        QCOMPARE(w.Text1[2]->maxLength(), 1);
        QCOMPARE(w.Text3->maxLength(), 4);
        QTest::keyClicks(w.Text2, QString(200, 'a'));
        QCOMPARE(w.Text2->text().size(), 200);
        QCOMPARE(w.SSCommand2[1]->text(), QString::fromUtf8("Préc."));
        QCOMPARE(w.Label1[3]->text(), QString::fromUtf8("Prénoms associés"));
    }

    void tabOrder_followsTheIndexes()
    {
        test::Installation inst(calendrier());
        Tarvelon w;
        const QStringList expected = {
            "SSCommand1_0", "SSOption1_0",  "SSOption1_1",  "SSCommand2_0", "SSCommand2_1",
            "SSCommand2_2", "SSCommand2_3", "SSCommand3",   "SSCommand1_1", "SSCommand1_2",
            "Text1_0",      "Text1_1",      "Text3",        "Text2",        "Text1_2",
            "SSCommand1_3", "SSCommand1_4", "SSCommand1_5", "List1",        "SSCommand4",
            "SSCommand5",   "SSCommand1_6"};
        QWidget* current = w.findChild<QWidget*>(expected.first());
        for (qsizetype i = 1; i < expected.size(); ++i) {
            current = current->nextInFocusChain();
            while (current->focusPolicy() == Qt::NoFocus || current->objectName().isEmpty())
                current = current->nextInFocusChain();
            QCOMPARE(current->objectName(), expected[i]);
        }
    }

    void accessibleNames()
    {
        test::Installation inst(calendrier());
        auto loaded = inst.loadWindow();
        Tarvelon& w = *loaded;
        w.show();
        const std::pair<const char*, const char*> names[] = {
            {"Text1_0", "Prénom"},     {"Text1_1", "Date"},
            {"Text3", "Année"},        {"Text2", "Recherche"},
            {"List1", "Liste"},        {"SSCommand3", "Rechercher"},
            {"SSOption1_0", "Sainte"}, {"Label1_3", "Prénoms associés"}};
        for (const auto& [object, name] : names) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(
                w.findChild<QWidget*>(QString::fromLatin1(object)));
            QVERIFY(a);
            QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(name));
        }
        w.SSPanel4->setCaption(QStringLiteral("5 mars"));
        QCOMPARE(QAccessible::queryAccessibleInterface(w.SSPanel4)->text(QAccessible::Name),
                 QStringLiteral("5 mars"));
        w.SSCommand5_Click();
        QCOMPARE(QAccessible::queryAccessibleInterface(w.Label1[0])->text(QAccessible::Name),
                 QStringLiteral("Evenement"));
    }

    void nameDays_listTheOthersOfTheDay()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow(); // today 23/04
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QCOMPARE(listItems(*w), (QStringList{"Adalbert", "Gilles"}));
        QCOMPARE(w->SSPanel4->caption(), QStringLiteral("23 avril"));
        QVERIFY(w->SSOption1[1]->isChecked());
        QVERIFY(!w->SSOption1[0]->isChecked());
        w->MiseAJour();
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04")); // the same entry afterwards

        w->Text2->setText(QStringLiteral("Fid"));
        w->SSCommand3_Click();
        QCOMPARE(listItems(*w), QStringList());
        w->Text2->setText(QStringLiteral("5/3"));
        w->SSCommand3_Click();
        QCOMPARE(w->SSPanel4->caption(), QStringLiteral("5 mars"));
        QVERIFY(w->SSOption1[0]->isChecked());
        // Namesakes of the same day: neither is listed.
        w->Text2->setText(QStringLiteral("24/06"));
        w->SSCommand3_Click();
        QCOMPARE(listItems(*w), QStringList());
    }

    void oddDays_neverFail()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->Text2->setText(QStringLiteral("29/02"));
        w->SSCommand3_Click();
        QCOMPARE(w->SSPanel4->caption(), QString::fromUtf8("29 février"));
        w->Text2->setText(QStringLiteral("31/04"));
        w->SSCommand3_Click();
        QCOMPARE(shown(*w), QStringLiteral("Bizarre|31/04"));
        QCOMPARE(w->SSPanel4->caption(), QString());
        w->Text1[1]->setText(QStringLiteral("x'y"));
        w->MiseAJour();
        QCOMPARE(listItems(*w), QStringList());
    }

    void birthdays_listEveryNameDayAndKeepTheEntry()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->SSCommand5_Click();
        QCOMPARE(shown(*w), QStringLiteral("Jean|24/06"));
        QCOMPARE(listItems(*w), (QStringList{"Jean", "Jean"}));
        QCOMPARE(w->Label1[2]->text(), QStringLiteral("46 ans cette année. "));
        QVERIFY(!w->SSOption1[0]->isChecked() && !w->SSOption1[1]->isChecked());
        // The second Jean, born 2000 on 23/04: the display keeps him.
        w->SSCommand2_Click(0);
        QCOMPARE(shown(*w), QStringLiteral("Jean|23/04"));
        QCOMPARE(w->Text3->text(), QStringLiteral("2000"));
        QCOMPARE(listItems(*w), (QStringList{"Georges", "Adalbert", "Gilles"}));
        w->SSCommand2_Click(0);
        QCOMPARE(shown(*w), QStringLiteral("Lucie|23/04"));
        QCOMPARE(w->Label1[2]->text(), QStringLiteral("1 an cette année"));
    }

    void emptyView_showsTheWarning()
    {
        test::Installation inst({{"Georges", "23/04", "0000", "M"}});
        auto w = inst.startWindow();
        w->SSCommand5_Click();
        QCOMPARE(listItems(*w), (QStringList{"", "Attention", "Date inconnue !!!"}));
        QCOMPARE(w->SSPanel4->caption(), QString());
        QVERIFY(!w->SSOption1[0]->isChecked() && !w->SSOption1[1]->isChecked());
    }

    void optionsSetByTheDisplay_neverChangeTheStoredSex()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->SSCommand2_Click(2);
        w->SSCommand2_Click(0);
        w->SSCommand2_Click(0);
        w->SSCommand2_Click(0);
        w->SSCommand2_Click(2);
        QCOMPARE(inst.storedRows().at(3), QStringLiteral("Olive|05/03|0000|F"));
        QCOMPARE(inst.storedRows().at(0), QStringLiteral("Georges|23/04|0000|M"));
    }

    void aboutBox_textAndHelp()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        const QString before = shown(*w);
        w->SSCommand4->click();
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        const auto box = inst.messages.shown[0];
        QCOMPARE(box.text, QString::fromUtf8("Tarvelon version 2.0 - 32 bits.\n\r\n\rCalendrier "
                                             "multimédia des\n\rfêtes et anniversaires\n\rà "
                                             "souhaiter...\n\r\n\r© 1997 Tarvelon\n\rFrappez la "
                                             "touche F1 pour plus d'infos.\n\r"));
        QCOMPARE(box.style, 64);
        QCOMPARE(box.title, QStringLiteral("A propos..."));
        QCOMPARE(box.helpFile, inst.dir() + QStringLiteral("tarvelon.hlp"));
        QCOMPARE(box.helpContext, 3100);
        w->SSCommand4->click();
        QCOMPARE(inst.messages.shown[1].text, box.text);
        QCOMPARE(shown(*w), before);
    }

    void realMessageBox_plainTextAndF1()
    {
        QStringList opened;
        platform::ScopedHelpHandler help([&](const QString& file, int context) {
            opened << file + '#' + QString::number(context);
        });
        QString label;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            label = box->text();
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(box->windowTitle(), QStringLiteral("Tarvelon"));
            QTest::keyClick(box, Qt::Key_F1);
            box->accept();
        });
        platform::msgBox(QStringLiteral("<b>Noël</b>\n\rligne\x01"), 0, {},
                         QStringLiteral("/x/tarvelon.hlp"), 3100);
        QCOMPARE(label, QString::fromUtf8("<b>Noël</b>\nligne "));
        QCOMPARE(opened, QStringList{"/x/tarvelon.hlp#3100"});
        QCOMPARE(platform::helpAnchor(3100), QStringLiteral("apropos"));
    }

    void helpViewer_showsTheBuiltInManual()
    {
        platform::openHelp(QStringLiteral("/nulle/part/tarvelon.hlp"), 3100);
        auto* viewer = qobject_cast<QTextBrowser*>([] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("Aide"))
                    return w;
            return static_cast<QWidget*>(nullptr);
        }());
        QVERIFY(viewer);
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->toPlainText().contains(QString::fromUtf8("À propos de Tarvelon")));
        QVERIFY(!viewer->testAttribute(Qt::WA_QuitOnClose));
        viewer->close();
    }

    void f1_opensTheContents()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_F1);
        QCOMPARE(inst.helpOpened, QStringList{inst.dir() + QStringLiteral("tarvelon.hlp#0")});
    }
};

QTEST_MAIN(TestFenetre)
#include "test_fenetre.moc"
