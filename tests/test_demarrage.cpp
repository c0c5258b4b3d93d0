#include "module/parametres.h"
#include "platform/pointer.h"
#include "support.h"
#include "windows/splash/accueil.h"

#include <QFile>
#include <QtTest>

using test::Row;
using test::shown;
using windows::Accueil;
using namespace module;

namespace {

std::vector<Row> calendrier()
{
    return {{"Marc", "25/04", "0000", "M"},
            {"Georges", "23/04", "0000", "M"},
            {"Gilles", "23/04", "0000", "M"},
            {"Paul", "12/05", "1990", " "},
            {"Anne", "03/01", "1985", " "}};
}

} // namespace

class TestDemarrage : public QObject {
    Q_OBJECT

    // A title card over a main window, the settings holding Titre=titre.
    void splashMode(const QByteArray& titre, bool clickMode)
    {
        test::Installation inst(calendrier(), "[Defaut]\r\nTitre=" + titre + "\r\n");
        auto w = inst.loadWindow();
        Accueil a(w.get(), 10000);
        QCOMPARE(a.FermerAuClic, clickMode);
        QCOMPARE(a.Timer1->isActive(), !clickMode);
    }

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void splash_modeFromTitre()
    {
        splashMode("click", true);
        splashMode("Click", true);
        splashMode("CLICK", true);
        splashMode(" CLICK", false);
        splashMode("CLICK ", false);
        splashMode("", false);
        test::Installation inst(calendrier()); // no settings file
        auto w = inst.loadWindow();
        Accueil a(w.get());
        QVERIFY(!a.FermerAuClic);
        QCOMPARE(a.Timer1->interval(), 10000);
    }

    void splash_timerModeIgnoresClicks()
    {
        test::Installation inst(calendrier());
        auto w = inst.loadWindow();
        Accueil a(w.get(), 10000);
        QVERIFY(test::showActive(a));
        for (QWidget* part :
             std::initializer_list<QWidget*>{a.SSPanel1, a.SSPanel2, a.Label1, a.Label2, &a})
            QTest::mouseClick(part, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(a.isVisible());
        a.Timer1_Timer();
        QVERIFY(!a.isVisible());
    }

    void splash_clickModeClosesOnEveryPart()
    {
        test::Installation inst(calendrier(), "[Defaut]\r\nTitre=Click\r\n");
        auto w = inst.loadWindow();
        auto parts = [](Accueil& a) {
            return std::vector<QWidget*>{a.SSPanel1, a.SSPanel2, a.Label1, a.Label2, &a};
        };
        for (size_t i = 0; i < 5; ++i) {
            Accueil a(w.get(), 10000);
            QVERIFY(test::showActive(a));
            QTest::mouseClick(parts(a)[i], Qt::LeftButton, {}, QPoint(3, 3));
            QVERIFY2(!a.isVisible(), qPrintable(parts(a)[i]->objectName()));
        }
    }

    void splash_pointerAndPlace()
    {
        test::Installation inst(calendrier(), "[Defaut]\r\nTop=0\r\nLeft=0\r\n");
        auto w = inst.loadWindow();
        QCOMPARE(platform::pointer(), int(platform::Hourglass)); // from the load
        QCOMPARE(w->pos(), QPoint(0, 0));
        Accueil a(w.get(), 10000);
        QCOMPARE(a.pos(), QPoint(0, 0));
        QCOMPARE(a.size(), QSize(259, 280));
        QVERIFY(test::showActive(a));
        QCOMPARE(platform::pointer(), int(platform::DefaultPointer));
        a.close(); // the window system's own close is a close too
        QCOMPARE(platform::pointer(), int(platform::Hourglass));
        platform::setPointer(platform::DefaultPointer);
    }

    void load_placesTheWindow_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("no settings file") << QByteArray() << QPoint(66, 66);
        QTest::newRow("Top and Left")
            << QByteArray("[Defaut]\r\nTop=1500\r\nLeft=3000\r\n") << QPoint(200, 100);
        QTest::newRow("Top only") << QByteArray("[Defaut]\r\nTop=0\r\n") << QPoint(66, 0);
        QTest::newRow("not a number")
            << QByteArray("[Defaut]\r\nTop=haut\r\nLeft=\r\n") << QPoint(66, 66);
        QTest::newRow("no Defaut section") << QByteArray("[Autre]\r\nTop=0\r\n") << QPoint(66, 66);
    }

    void load_placesTheWindow()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QPoint, pos);
        test::Installation inst(calendrier(), settings);
        auto w = inst.loadWindow();
        QVERIFY(w);
        QCOMPARE(w->pos(), pos);
        QCOMPARE(CheminInstallation, inst.dir());
        QCOMPARE(FichierParametres, inst.dir() + QStringLiteral("tarvelon.inf"));
        QCOMPARE(platform::helpFile(), inst.dir() + QStringLiteral("tarvelon.hlp"));
        QCOMPARE(w->Data1->databaseName(), inst.dir() + QStringLiteral("tarvelon.db"));
        QVERIFY(w->PremiereActivation);
    }

    void load_brokenDatabaseEndsWithAMessage()
    {
        test::Installation inst(calendrier());
        QFile::remove(inst.dbPath());
        QFile f(inst.dbPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("pas une base");
        f.close();
        QVERIFY(!inst.loadWindow());
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY(inst.messages.shown[0].text.contains(inst.dbPath()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("pas une base"));
    }

    void firstActivation_standsOnToday()
    {
        test::Installation inst(calendrier());
        auto w = inst.loadWindow();
        w->Form_Activate();
        QVERIFY(inst.messages.shown.empty());
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QCOMPARE(test::listItems(*w), QStringList{"Gilles"});
        QCOMPARE(w->Label2->text(), QStringLiteral("23/04/26"));
        QCOMPARE(w->Text2->text(), QString());
        QCOMPARE(w->focusWidget(), w->SSCommand1[2]);
        QCOMPARE(w->JourCourant, QStringLiteral("23/04"));
        QVERIFY(w->ModeFetes);
        QCOMPARE(platform::pointer(), int(platform::DefaultPointer));

        // Later activations change nothing.
        w->SSCommand2_Click(3);
        w->Form_Activate();
        QCOMPARE(shown(*w), QStringLiteral("Gilles|23/04"));
        QVERIFY(inst.messages.shown.empty());
    }

    void firstActivation_noEntryTodayToldAfterTheSplash()
    {
        test::Installation inst(calendrier(), {}, QDate(2026, 7, 14));
        auto w = inst.loadWindow();
        bool splashUp = true;
        platform::ScopedMessageHandler spy([&](const platform::MessageRequest& r) {
            splashUp = false;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (qobject_cast<Accueil*>(top) && top->isVisible())
                    splashUp = true;
            inst.messages.shown.push_back(r);
            return 1;
        });
        w->Form_Activate();
        QCOMPARE(
            inst.messages.texts(),
            QStringList{"Le format de date 14/07 est erroné, ou\n\r ne contient aucune fête ou "
                        "anniversaire à souhaiter !"});
        QVERIFY(!splashUp);
        QCOMPARE(shown(*w), QStringLiteral("Marc|25/04"));
    }

    void firstActivation_startViewFromMode_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("birthdays");
        QTest::newRow("anniversaires") << QByteArray("[Defaut]\r\nMode=anniversaires\r\n") << true;
        QTest::newRow("ANNIVERSAIRES") << QByteArray("[Defaut]\r\nMode=ANNIVERSAIRES\r\n") << true;
        QTest::newRow("Anniversaire") << QByteArray("[Defaut]\r\nMode=Anniversaire\r\n") << false;
        QTest::newRow("no file") << QByteArray() << false;
    }

    void firstActivation_startViewFromMode()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, birthdays);
        test::Installation inst(calendrier(), settings);
        auto w = inst.loadWindow();
        w->Form_Activate();
        QCOMPARE(w->ModeFetes, !birthdays);
        QCOMPARE(shown(*w),
                 birthdays ? QStringLiteral("Paul|12/05") : QStringLiteral("Georges|23/04"));
        QCOMPARE(w->JourCourant, QStringLiteral("23/04")); // today was searched first
    }

    void todayLabel_reminderThenTodaysEntry()
    {
        test::Installation inst(calendrier(), "[Evenements]\r\n23/04=Voir Georges\r\n");
        auto w = inst.startWindow();
        w->SSCommand2_Click(0);
        w->SSCommand2_Click(0);
        w->Text2->setText(QStringLiteral("Marc"));
        inst.journal.clear();
        QTest::mouseClick(w->Label2, Qt::LeftButton);
        QCOMPARE(inst.journal.first(), QStringLiteral("message:Voir Georges"));
        QCOMPARE(inst.messages.shown.size(), size_t(1)); // "Marc" was not searched
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QCOMPARE(platform::foreColor(w->Label2), platform::qbColor(12));
        QCOMPARE(w->Text2->text(), QString());
    }

    void todayLabel_noEntryInTheView()
    {
        test::Installation inst(calendrier(), "[SonsWav]\r\n12/05=paul.wav\r\n");
        auto w = inst.startWindow();
        w->SSCommand5_Click();
        w->SSCommand2_Click(3);
        inst.sound.events.clear();
        w->Label2_Click();
        QCOMPARE(
            inst.messages.texts(),
            QStringList{"Le format de date 23/04 est erroné, ou\n\r ne contient aucune fête ou "
                        "anniversaire à souhaiter !"});
        QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
        QCOMPARE(platform::foreColor(w->Label1[1]), platform::qbColor(12)); // Paul's day is noted
        QCOMPARE(w->JourCourant, QStringLiteral("12/05"));
    }
};

QTEST_MAIN(TestDemarrage)
#include "test_demarrage.moc"
