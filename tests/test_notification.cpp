// tarvelon-rappel --notification against a stand-in notification server on
// the private session bus that dbus-run-session gives this test.
#include "fakes.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");

struct Received {
    QString app, icon, summary, body;
    QStringList actions;
    QVariantMap hints;
};

} // namespace

// What a desktop's notification server does, as far as the reminder uses it.
class StandInServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
    std::vector<Received> received;
    // A server that keeps the caller waiting: its answers, held back.
    bool silent = false;
    std::vector<QDBusMessage> heldBack;

    void answerNow()
    {
        for (const QDBusMessage& m : heldBack)
            QDBusConnection::sessionBus().send(m.createReply(uint(received.size())));
        heldBack.clear();
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int)
    {
        received.push_back({app, icon, summary, body, actions, hints});
        if (silent) {
            setDelayedReply(true);
            heldBack.push_back(message());
            return 0;
        }
        return uint(received.size());
    }
    void CloseNotification(uint) {}
};

class TestNotification : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    StandInServer m_server;

    QString bin() const { return m_root.path() + QStringLiteral("/bin/"); }
    QString data() const { return m_root.path() + QStringLiteral("/data/tarvelon/"); }
    QString marker() const { return m_root.path() + QStringLiteral("/tarvelon-started"); }

    struct Run {
        int code = -1;
        QString out, err;
    };

    Run run(const QStringList& arguments, const QString& busAddress = {},
            const QProcessEnvironment& extra = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(extra);
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_root.path() + QStringLiteral("/state"));
        env.insert(QStringLiteral("MARQUE"), marker());
        if (!busAddress.isEmpty())
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        process.setProcessEnvironment(env);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(bin() + QStringLiteral("tarvelon-rappel"),
                      QStringList{QStringLiteral("--notification")} + arguments);
        // The event loop runs meanwhile: the server answers.
        if (!finished.wait(15000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    void emitSignal(const QString& name, uint id, const QVariant& argument)
    {
        QDBusMessage signal = QDBusMessage::createSignal(Path, Service, name);
        signal << id << argument;
        QVERIFY(QDBusConnection::sessionBus().send(signal));
    }

    // The reminders still waiting for a click.
    QList<qint64> waiting() const
    {
        QList<qint64> pids;
        const QString helper = bin() + QStringLiteral("tarvelon-rappel-notification");
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool number = false;
            const qint64 pid = entry.toLongLong(&number);
            if (number && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(entry)) == helper)
                pids << pid;
        }
        return pids;
    }

    void writeSettings(const QByteArray& bytes)
    {
        QFile file(data() + QStringLiteral("tarvelon.inf"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY2(bus.isConnected(), "run under dbus-run-session");
        QVERIFY(bus.registerObject(Path, &m_server, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(Service));

        // The reminder and its companion side by side, with a stand-in
        // tarvelon that only says it was started.
        QVERIFY(QDir().mkpath(bin()));
        for (const char* program : {TARVELON_RAPPEL, TARVELON_RAPPEL_NOTIFICATION})
            QVERIFY(QFile::copy(QString::fromUtf8(program),
                                bin() + QFileInfo(QString::fromUtf8(program)).fileName()));
        QFile tarvelon(bin() + QStringLiteral("tarvelon"));
        QVERIFY(tarvelon.open(QIODevice::WriteOnly));
        tarvelon.write("#!/bin/sh\ntouch \"$MARQUE\"\n");
        tarvelon.close();
        QVERIFY(tarvelon.setPermissions(tarvelon.permissions() | QFileDevice::ExeOwner));
    }

    void init()
    {
        QDir(m_root.path() + QStringLiteral("/state")).removeRecursively();
        QDir(data()).removeRecursively();
        QVERIFY(QDir().mkpath(data()));
        test::writeDatabase(data() + QStringLiteral("tarvelon.db"),
                            {{"Pancrace", "12/05", "0000", "M"},
                             {"Achille", "12/05", "0000", "M"},
                             {"Paul", "12/05", "1980", " "},
                             {"Léa", "14/05", "2022", " "}});
        m_server.received.clear();
        m_server.capabilities = {QStringLiteral("actions"), QStringLiteral("body")};
        QFile::remove(marker());
    }

    void cleanup()
    {
        for (qint64 pid : waiting())
            ::kill(pid_t(pid), SIGTERM);
    }

    void notify_thenAClickStartsTarvelon()
    {
        const Run first = run({"--date", "12/05/2026"});
        QCOMPARE(first.err, QString());
        QCOMPARE(first.code, 0);
        QCOMPARE(m_server.received.size(), size_t(1));
        const Received& n = m_server.received[0];
        QCOMPARE(n.app, QStringLiteral("Tarvelon"));
        QCOMPARE(n.icon, QStringLiteral("tarvelon"));
        QCOMPARE(n.summary, QString::fromUtf8("Joyeux anniversaire à Paul (46 ans) !"));
        QCOMPARE(n.body, QString::fromUtf8("Fêtes du jour : Pancrace et Achille"));
        QCOMPARE(n.actions, (QStringList{"default", "Ouvrir Tarvelon"}));
        QCOMPARE(n.hints.value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("tarvelon"));

        // The command has returned; what waits for the click starts tarvelon.
        QTRY_COMPARE(waiting().size(), 1);
        emitSignal(QStringLiteral("ActionInvoked"), 1, QStringLiteral("default"));
        QTRY_VERIFY(QFile::exists(marker()));
        QTRY_COMPARE(waiting().size(), 0);
    }

    void onceADay_forcerTellsAgain_closedEndsTheWait()
    {
        QCOMPARE(run({"--date", "12/05/2026"}).code, 0);
        const Run again = run({"--date", "12/05/2026"});
        QCOMPARE(again.code, 0);
        QVERIFY(again.out.contains(QString::fromUtf8("déjà été montré")));
        QCOMPARE(m_server.received.size(), size_t(1));

        QCOMPARE(run({"--date", "12/05/2026", "--forcer"}).code, 0);
        QCOMPARE(m_server.received.size(), size_t(2));
        QCOMPARE(run({"--date", "13/05/2026", "--jours", "1"}).code, 0); // another day
        QCOMPARE(m_server.received.back().summary,
                 QString::fromUtf8("Demain : anniversaire de Léa, 4 ans"));
        QTRY_COMPARE(waiting().size(), 3);
        for (uint id : {1u, 2u, 3u})
            emitSignal(QStringLiteral("NotificationClosed"), id, 2u);
        QTRY_COMPARE(waiting().size(), 0);
        QVERIFY(!QFile::exists(marker()));
    }

    void daysAhead_markupEscaped_noActionsNoWait()
    {
        m_server.capabilities = {QStringLiteral("body"), QStringLiteral("body-markup")};
        writeSettings("[Rappel]\nJours=2\n[Evenements]\n12/05=<b>Dîner</b> & cie\n");
        QCOMPARE(run({"--date", "12/05/2026"}).code, 0);
        QCOMPARE(m_server.received.size(), size_t(1));
        const Received& n = m_server.received[0];
        QCOMPARE(n.body, QString::fromUtf8("Fêtes du jour : Pancrace et Achille\n"
                                           "Aujourd'hui : &lt;b&gt;Dîner&lt;/b&gt; &amp; cie\n"
                                           "Dans 2 jours : anniversaire de Léa, 4 ans"));
        QCOMPARE(n.actions, QStringList());
        QTRY_COMPARE(waiting().size(), 0); // no click to wait for
    }

    // A server that does not answer holds nobody for long; its late answer
    // still notes the day, which is told once.
    void silentServer_boundedWaitAndToldOnce()
    {
        m_server.silent = true;
        const Run late = run({"--date", "12/05/2026"});
        m_server.silent = false;
        QCOMPARE(late.code, 1);
        QVERIFY2(late.err.contains(QString::fromUtf8("ne répond pas")), qPrintable(late.err));
        QCOMPARE(m_server.received.size(), size_t(1));
        m_server.answerNow();
        const auto noted = [this] {
            QFile state(m_root.path() + QStringLiteral("/state/tarvelon/rappel-du-jour"));
            return state.open(QIODevice::ReadOnly) && state.readAll().startsWith("2026-05-12");
        };
        QTRY_VERIFY(noted());
        const Run again = run({"--date", "12/05/2026"});
        QVERIFY(again.out.contains(QString::fromUtf8("déjà été montré")));
        QCOMPARE(m_server.received.size(), size_t(1));
    }

    // The waiting part ends with the server that showed its notification.
    void serverGone_theWaitEnds()
    {
        QCOMPARE(run({"--date", "12/05/2026"}).code, 0);
        QTRY_COMPARE(waiting().size(), 1);
        QVERIFY(QDBusConnection::sessionBus().unregisterService(Service));
        QTRY_COMPARE(waiting().size(), 0);
        QVERIFY(QDBusConnection::sessionBus().registerService(Service));
    }

    // A state directory that cannot be written: the day is told anyway, and
    // the user told, in French, that it cannot be noted.
    void stateUnwritable_toldAnyway()
    {
        QVERIFY(QDir().mkpath(m_root.path() + QStringLiteral("/state")));
        QFile bloque(m_root.path() + QStringLiteral("/state/tarvelon"));
        QVERIFY(bloque.open(QIODevice::WriteOnly)); // a file where the directory should be
        bloque.close();
        const Run told = run({"--date", "12/05/2026"});
        QCOMPARE(told.code, 0);
        QCOMPARE(m_server.received.size(), size_t(1));
        QVERIFY2(told.err.contains(QString::fromUtf8("ne peut pas être noté")) &&
                     told.err.contains(QString::fromUtf8("un dossier du chemin n'existe pas")),
                 qPrintable(told.err));
        QFile::remove(bloque.fileName());
    }

    // Started by the morning timer, a click opens the window out of the
    // service's unit (systemd ends the unit's processes with it): in a scope
    // of its own, through systemd-run. The unit ends at once, not with the
    // window; a window that ends in error is not started again.
    void clickFromTheTimer_windowOutOfTheUnit()
    {
        QFile fake(bin() + QStringLiteral("systemd-run"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\necho \"$@\" > \"$MARQUE.scope\"\nshift 6\nexec \"$@\"\n");
        fake.close();
        QVERIFY(fake.setPermissions(fake.permissions() | QFileDevice::ExeOwner));
        QFile fenetre(bin() + QStringLiteral("tarvelon"));
        const QByteArray simple = test::readFile(fenetre.fileName());
        QVERIFY(fenetre.open(QIODevice::WriteOnly | QIODevice::Truncate));
        fenetre.write("#!/bin/sh\necho >> \"$MARQUE.fois\"\ntouch \"$MARQUE\"\nsleep 8\n"
                      "touch \"$MARQUE.fin\"\nexit 1\n");
        fenetre.close();
        QProcessEnvironment service;
        service.insert(QStringLiteral("INVOCATION_ID"), QStringLiteral("0123456789abcdef"));
        service.insert(QStringLiteral("PATH"), bin() + ':' + qEnvironmentVariable("PATH"));
        QCOMPARE(run({"--date", "12/05/2026"}, {}, service).code, 0);
        QTRY_COMPARE(waiting().size(), 1);
        emitSignal(QStringLiteral("ActionInvoked"), 1, QStringLiteral("default"));
        QTRY_VERIFY(QFile::exists(marker()));
        QTRY_VERIFY_WITH_TIMEOUT(waiting().isEmpty(), 5000); // the window still open
        QVERIFY(!QFile::exists(marker() + QStringLiteral(".fin")));
        QFile scope(marker() + QStringLiteral(".scope"));
        QVERIFY(scope.open(QIODevice::ReadOnly));
        const QByteArray args = scope.readAll();
        QVERIFY2(args.startsWith("--user --scope --quiet --collect --no-block -- ") &&
                     args.trimmed().endsWith("/tarvelon"),
                 args.constData());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker() + QStringLiteral(".fin")), 15000);
        QTest::qWait(500);
        QCOMPARE(test::readFile(marker() + QStringLiteral(".fois")), QByteArray("\n"));
        QVERIFY(test::writeFile(fenetre.fileName(), simple).size() > 0);
        QVERIFY(fenetre.setPermissions(fenetre.permissions() | QFileDevice::ExeOwner));
        for (const QString& f :
             {QStringLiteral(".scope"), QStringLiteral(".fois"), QStringLiteral(".fin")})
            QFile::remove(marker() + f);
        QFile::remove(fake.fileName());
    }

    void nothingToTell_noNotification()
    {
        const Run quiet = run({"--date", "20/05/2026"});
        QCOMPARE(quiet.code, 0);
        QCOMPARE(m_server.received.size(), size_t(0));
        // The morning run keeps the desktop's calendar file in step all the same.
        QFile ics(data() + QStringLiteral("tarvelon.ics"));
        QVERIFY(ics.open(QIODevice::ReadOnly) && ics.readAll().contains("Pancrace"));
    }

    void noServer_frenchMessageAndStatus1()
    {
        QVERIFY(QDBusConnection::sessionBus().unregisterService(Service));
        const Run alone = run({"--date", "12/05/2026"});
        QVERIFY(QDBusConnection::sessionBus().registerService(Service));
        QCOMPARE(alone.code, 1);
        QVERIFY2(alone.err.contains(QString::fromUtf8("aucun serveur de notifications")),
                 qPrintable(alone.err));

        const Run noBus = run({"--date", "12/05/2026"}, QStringLiteral("unix:path=/nulle/part"));
        QCOMPARE(noBus.code, 1);
        QVERIFY2(noBus.err.contains(QString::fromUtf8("pas de bus de session")),
                 qPrintable(noBus.err));
        // Not told: the next run tells.
        QCOMPARE(run({"--date", "12/05/2026"}).code, 0);
        QCOMPARE(m_server.received.size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestNotification)
#include "test_notification.moc"
