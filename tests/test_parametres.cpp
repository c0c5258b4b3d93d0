#include "fakes.h"
#include "module/parametres.h"
#include "module/son.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace module;

class TestParametres : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    void write(const QByteArray& bytes)
    {
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("tarvelon.inf"));
        QFile::remove(m_file);
    }

    void outcomeTable_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray base = "[Defaut]\r\nTop=200\r\nLeft=300\r\n[Evenements]\r\n25/12=Noël\r\n";
        QTest::newRow("value found") << base << "Defaut"
                                     << "Left"
                                     << "300";
        QTest::newRow("no header: empty, not the default")
            << QByteArray("[Autre]\r\nTop=5\r\n") << "Defaut"
            << "Top"
            << "";
        QTest::newRow("lines but no key: the default")
            << QByteArray("[Defaut]\r\nMode=Fetes\r\n") << "Defaut"
            << "Top"
            << "DEF";
        QTest::newRow("header then another header: empty")
            << QByteArray("[Defaut]\r\n[Evenements]\r\nTop=1\r\n") << "Defaut"
            << "Top"
            << "";
        QTest::newRow("header is the last line: empty")
            << QByteArray("Top=1\r\n[Defaut]\r\n") << "Defaut"
            << "Top"
            << "";
        QTest::newRow("key in small letters not found")
            << QByteArray("[Defaut]\r\ntop=5\r\n") << "Defaut"
            << "Top"
            << "DEF";
        QTest::newRow("space before equals not found")
            << QByteArray("[Defaut]\r\nTop =5\r\n") << "Defaut"
            << "Top"
            << "DEF";
        QTest::newRow("key and equals alone: found, empty")
            << QByteArray("[Defaut]\r\nTop=\r\n") << "Defaut"
            << "Top"
            << "";
        QTest::newRow("further equals signs kept")
            << QByteArray("[Defaut]\r\nTitre=a=b = c \r\n") << "Defaut"
            << "Titre"
            << "a=b = c ";
        QTest::newRow("header with trailing space not recognised")
            << QByteArray("[Defaut] \r\nTop=5\r\n") << "Defaut"
            << "Top"
            << "";
        QTest::newRow("header in other letter case not recognised")
            << QByteArray("[defaut]\r\nTop=5\r\n") << "Defaut"
            << "Top"
            << "";
        QTest::newRow("space then bracket does not end the section")
            << QByteArray("[Defaut]\r\n [Autre]\r\nTop=5\r\n") << "Defaut"
            << "Top"
            << "5";
        QTest::newRow("malformed bracket line ends the section")
            << QByteArray("[Defaut]\r\nMode=x\r\n[oops\r\nTop=5\r\n") << "Defaut"
            << "Top"
            << "DEF";
        QTest::newRow("second header of the section never read")
            << QByteArray("[Defaut]\r\nMode=x\r\n[Autre]\r\n[Defaut]\r\nTop=5\r\n") << "Defaut"
            << "Top"
            << "DEF";
        QTest::newRow("first matching line wins")
            << QByteArray("[Defaut]\r\nTop=1\r\nTop=2\r\n") << "Defaut"
            << "Top"
            << "1";
        QTest::newRow("blank line after the header: the default")
            << QByteArray("[Defaut]\r\n\r\n") << "Defaut"
            << "Top"
            << "DEF";
        QTest::newRow("end of file in the key scan without line end")
            << QByteArray("[Defaut]\r\nMode=x") << "Defaut"
            << "Top"
            << "DEF";
        QTest::newRow("last line without line end is read")
            << QByteArray("[Defaut]\r\nTop=77") << "Defaut"
            << "Top"
            << "77";
        QTest::newRow("LF line ends") << QByteArray("[Defaut]\nTop=9\nLeft=8\n") << "Defaut"
                                      << "Left"
                                      << "8";
        QTest::newRow("nothing trimmed") << QByteArray("[Defaut]\r\nTitre= CLICK \r\n") << "Defaut"
                                         << "Titre"
                                         << " CLICK ";
        QTest::newRow("empty file: empty") << QByteArray("") << "Defaut"
                                           << "Top"
                                           << "";
        QTest::newRow("UTF-8 value")
            << QByteArray("[Evenements]\n25/12=R\xC3\xA9veillon\n") << "Evenements"
            << "25/12" << QString::fromUtf8("Réveillon");
        QTest::newRow("Windows-1252 value")
            << QByteArray("[Evenements]\r\n25/12=R\xE9veillon \x80\r\n") << "Evenements"
            << "25/12" << QString::fromUtf8("Réveillon €");
        QTest::newRow("byte-order mark before the first header")
            << QByteArray("\xEF\xBB\xBF[Defaut]\r\nTop=3\r\n") << "Defaut"
            << "Top"
            << "3";
        QTest::newRow("odd characters in section and key")
            << QByteArray("[S[é]]\r\nk*=?=v\r\n") << QString::fromUtf8("S[é]") << "k*"
            << "?=v";
        QTest::newRow("binary bytes")
            << QByteArray("\x00\xFF\xFE[Defaut]\x00\r\n\x01\x02", 12) << "Defaut"
            << "Top"
            << "";
    }

    void outcomeTable()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        write(content);
        const QString value = LireParametre(m_file, section, key, QStringLiteral("DEF"));
        QCOMPARE(value, expected);
    }

    void unreadableFile_returnsDefault()
    {
        QCOMPARE(LireParametre(m_dir.filePath(QStringLiteral("absent.inf")),
                               QStringLiteral("Defaut"), QStringLiteral("Top"),
                               QStringLiteral("1000")),
                 QStringLiteral("1000"));
        QCOMPARE(LireParametre(m_dir.path(), QStringLiteral("Defaut"), QStringLiteral("Top"),
                               QStringLiteral("1000")),
                 QStringLiteral("1000"));
        QCOMPARE(LireParametre(m_dir.filePath(QStringLiteral("no/such/dir/f.inf")),
                               QStringLiteral("Defaut"), QStringLiteral("Mode"),
                               QStringLiteral("Fetes")),
                 QStringLiteral("Fetes"));
    }

    void editedFile_seenByNextRead()
    {
        write("[Defaut]\r\nMode=Fetes\r\n");
        QCOMPARE(LireParametre(m_file, QStringLiteral("Defaut"), QStringLiteral("Mode"), {}),
                 QStringLiteral("Fetes"));
        write("[Defaut]\r\nMode=Anniversaires\r\n");
        QCOMPARE(LireParametre(m_file, QStringLiteral("Defaut"), QStringLiteral("Mode"), {}),
                 QStringLiteral("Anniversaires"));
        // The file is not held open between reads: it can be removed.
        QVERIFY(QFile::remove(m_file));
    }

    void hugeLine_isReadWhole()
    {
        QByteArray big(10 * 1024 * 1024, 'x');
        write("[Evenements]\r\n" + big + "\r\n01/01=An\r\n");
        QCOMPARE(LireParametre(m_file, QStringLiteral("Evenements"), QStringLiteral("01/01"), {}),
                 QStringLiteral("An"));
    }

    // A settings file or a sound that is a pipe reads as missing at once: a
    // blocking open would hold the program before any window.
    void pipes_readAsMissingWithoutBlocking()
    {
        QVERIFY(::mkfifo(QFile::encodeName(m_file).constData(), 0600) == 0);
        auto lecture = std::async(std::launch::async, [this] {
            return LireParametre(m_file, QStringLiteral("Defaut"), QStringLiteral("Top"),
                                 QStringLiteral("1000")) +
                   (platform::isWaveFile(m_file) ? QStringLiteral("+wave") : QString());
        });
        if (lecture.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Release the reader before failing, so that the test can end.
            const int fd = ::open(QFile::encodeName(m_file).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            QFAIL("a read of a pipe blocked");
        }
        QCOMPARE(lecture.get(), QStringLiteral("1000"));
        QVERIFY(QFile::remove(m_file));
    }

    // The default sound: the Beep key, always under the installation directory.
    void jouerSon_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("plays");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("no settings file: the directory alone, then the beep")
            << QByteArray() << false << "" << QStringList{"play:DIR", "beep"};
        QTest::newRow("Beep names a file that plays")
            << QByteArray("[Defaut]\r\nBeep=ding.wav\r\n") << true << "ding.wav"
            << QStringList{"play:DIRding.wav"};
        QTest::newRow("Beep names a missing file: beep")
            << QByteArray("[Defaut]\r\nBeep=absent.wav\r\n") << false << "absent.wav"
            << QStringList{"play:DIRabsent.wav", "beep"};
        QTest::newRow("a full path is appended unchanged")
            << QByteArray("[Defaut]\r\nBeep=/usr/share/x.wav\r\n") << true << "/usr/share/x.wav"
            << QStringList{"play:DIR/usr/share/x.wav"};
    }

    void jouerSon()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, plays);
        QFETCH(QStringList, events);
        test::FakeSound sound;
        sound.answer = plays;
        platform::ScopedSoundPlayer guard(sound);
        CheminInstallation = m_dir.path() + QLatin1Char('/');
        FichierParametres = m_file;
        if (!settings.isNull())
            write(settings);
        JouerSon(QString());
        events.replaceInStrings(QStringLiteral("DIR"), CheminInstallation);
        QCOMPARE(sound.events, events);
    }

    void realService_refusesWhatIsNotWave()
    {
        QVERIFY(!platform::isWaveFile(m_dir.path()));
        write("RIFF\x10\0\0\0AVI LIST");
        QVERIFY(!platform::isWaveFile(m_file));
        write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
        QVERIFY(platform::isWaveFile(m_file));
        QVERIFY(!platform::soundPlayer().playWave(m_dir.filePath(QStringLiteral("absent.wav"))));
        QVERIFY(!platform::soundPlayer().playWave(m_dir.path()));
    }
};

QTEST_MAIN(TestParametres)
#include "test_parametres.moc"
