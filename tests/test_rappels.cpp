#include "support.h"

#include <QAccessible>
#include <QFile>
#include <QtTest>

using test::Row;

namespace {

std::vector<Row> calendrier()
{
    return {{"Georges", "23/04", "0000", "M"},
            {"Fidèle", "24/04", "0000", "M"},
            {"Marc", "25/04", "0000", "M"},
            {"Olive", "05/03", "0000", "F"},
            {"Auguste", "29/02", "0000", "M"}};
}

const QByteArray Notes = "[Defaut]\r\nBeep=defaut.wav\r\n"
                         "[Evenements]\r\n23/04=Voir <b>Georges</b>\r\n25/04=\r\n"
                         "24/04=F\xC3\xAAte de Fid\xC3\xA8le\r\n29/02=Bissextile\r\nNoel=Sapin\r\n"
                         "[SonsWav]\r\n24/04=fidele.wav\r\n05/03=../olive.wav\r\n";

QColor color(const QWidget* w)
{
    return platform::foreColor(w);
}

} // namespace

class TestRappels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    // What a click on "Date" does for each state of the day.
    void reminder_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<QStringList>("journal");
        QTest::addColumn<QString>("title");
        QTest::newRow("0: nothing noted") << "26/04" << QStringList() << "";
        QTest::newRow("0: empty value counts as absent") << "25/04" << QStringList() << "";
        QTest::newRow("1: event only") << "23/04" << QStringList{"message:Voir <b>Georges</b>"}
                                       << "Evenement important du jeudi 23 avril";
        QTest::newRow("2: sound only, no fallback")
            << "05/03" << QStringList{"play:DIR../olive.wav"} << "";
        QTest::newRow("3: the sound first, then the message")
            << "24/04"
            << QStringList{"play:DIRfidele.wav", QString::fromUtf8("message:Fête de Fidèle")}
            << "Evenement important du vendredi 24 avril";
        QTest::newRow("29/02 in a common year")
            << "29/02" << QStringList{"message:Bissextile"}
            << QString::fromUtf8("Evenement important du 29 février");
        QTest::newRow("a key that is no day")
            << "Noel" << QStringList{"message:Sapin"} << "Evenement important du Noel";
    }

    void reminder()
    {
        QFETCH(QString, day);
        QFETCH(QStringList, journal);
        QFETCH(QString, title);
        test::Installation inst(calendrier(), Notes);
        inst.sound.answer = false; // no sound device: nothing falls back to a beep here
        auto w = inst.startWindow();
        w->Text1[1]->setText(day); // typed, not stored
        w->Label1_Click(1);
        journal.replaceInStrings(QStringLiteral("DIR"), inst.dir());
        QCOMPARE(inst.journal, journal);
        QCOMPARE(w->JourCourant, day);
        if (!title.isEmpty()) {
            QCOMPARE(inst.messages.shown.back().title, title);
            QCOMPARE(inst.messages.shown.back().style, 64);
        }
    }

    void otherCaptions_doNothing()
    {
        test::Installation inst(calendrier(), Notes);
        auto w = inst.startWindow();
        const QString before = w->JourCourant;
        for (int i : {0, 2, 3})
            w->Label1_Click(i);
        QVERIFY(inst.journal.isEmpty());
        QCOMPARE(w->JourCourant, before);
    }

    void marking_todayThenAnotherDay()
    {
        test::Installation inst(calendrier(), Notes);
        auto w = inst.loadWindow();
        w->Form_Activate(); // stands on today, 23/04, which is noted
        QCOMPARE(color(w->Label2), platform::qbColor(12));
        QCOMPARE(color(w->Label1[1]), platform::qbColor(0));
        QCOMPARE(w->Label2->accessibleDescription(), QString::fromUtf8("Jour noté"));
        // Marked twice at start: once by the search, once more after it.
        QCOMPARE(inst.sound.events.count(QStringLiteral("play:") + inst.dir() + "defaut.wav"), 2);

        inst.sound.events.clear();
        w->SSCommand2_Click(0); // 24/04, noted
        QCOMPARE(color(w->Label1[1]), platform::qbColor(12));
        QCOMPARE(w->Label1[1]->accessibleDescription(), QString::fromUtf8("Jour noté"));
        QCOMPARE(color(w->Label2), platform::qbColor(12)); // stays red
        QCOMPARE(inst.sound.events,
                 QStringList{QStringLiteral("play:") + inst.dir() + "defaut.wav"});

        inst.sound.events.clear();
        w->SSCommand2_Click(0); // 25/04, empty value: not noted
        QCOMPARE(color(w->Label1[1]), platform::qbColor(0));
        QCOMPARE(w->Label1[1]->accessibleDescription(), QString());
        QVERIFY(inst.sound.events.isEmpty());
    }

    void defaultSound_fallsBackToTheBeep()
    {
        test::Installation inst(calendrier(), Notes);
        inst.sound.answer = false;
        auto w = inst.startWindow();
        w->SSCommand2_Click(0);
        QCOMPARE(inst.sound.events,
                 (QStringList{QStringLiteral("play:") + inst.dir() + "defaut.wav", "beep"}));
    }

    void options_writeTheSexCode()
    {
        test::Installation inst(calendrier(), Notes);
        auto w = inst.startWindow();
        w->show();
        QTest::mouseClick(w->SSOption1[0], Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(w->Text1[2]->text(), QStringLiteral("F"));
        w->SSOption1_Click(0, false);
        QCOMPARE(w->Text1[2]->text(), QStringLiteral("M"));
        w->SSOption1_Click(1, false);
        QCOMPARE(w->Text1[2]->text(), QStringLiteral("F"));
        w->SSOption1_Click(1, true);
        QCOMPARE(w->Text1[2]->text(), QStringLiteral("M"));
        w->SSOption1_Click(5, true);
        QCOMPARE(w->Text1[2]->text(), QStringLiteral("M"));

        QTest::mouseClick(w->SSOption1[0], Qt::LeftButton, {}, QPoint(6, 6)); // Sainte on Georges
        w->SSCommand2_Click(0);
        w->SSCommand2_Click(1);
        QVERIFY(w->SSOption1[0]->isChecked());
        QCOMPARE(inst.storedRows().first(), QStringLiteral("Georges|23/04|0000|F"));
    }

    void realWave_playsWhereThereIsAudio()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bip.wav"));
        {
            // Two seconds of a square wave, 8 kHz mono 8-bit.
            const int samples = 16000;
            QByteArray data;
            for (int i = 0; i < samples; ++i)
                data.append(char((i / 9) % 2 ? 200 : 56));
            QByteArray wav = "RIFF";
            auto le32 = [&](quint32 v) {
                for (int k = 0; k < 4; ++k)
                    wav.append(char(v >> (8 * k)));
            };
            auto le16 = [&](quint16 v) {
                wav.append(char(v));
                wav.append(char(v >> 8));
            };
            le32(36 + samples);
            wav += "WAVEfmt ";
            le32(16);
            le16(1);
            le16(1);
            le32(8000);
            le32(8000);
            le16(1);
            le16(8);
            wav += "data";
            le32(samples);
            wav += data;
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(wav);
        }
        QVERIFY(platform::isWaveFile(path));
        // How soon it returns is timed by bench/bench_son.
        const bool played = platform::soundPlayer().playWave(path);
        if (!played)
            QSKIP("No audio output on this machine: the real sound service answers 0 here.");
    }
};

QTEST_MAIN(TestRappels)
#include "test_rappels.moc"
