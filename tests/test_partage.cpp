// Two computers, one calendar: two Tarvelon homes on one account of a real
// Radicale, each run as the user runs it (tarvelon --synchroniser).
#include "fakes.h"
#include "platform/sqlite.h"
#include "radicale.h"
#include "socle/fetes.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Sortie {
    int code = -1;
    QString texte; // both outputs
};

// One user's computer: its own data, settings and state.
class Maison {
public:
    explicit Maison(const QString& dossier) : m_dossier(dossier)
    {
        QDir().mkpath(m_dossier + QStringLiteral("/data/tarvelon"));
    }
    QString base() const { return m_dossier + QStringLiteral("/data/tarvelon/tarvelon.db"); }

    QProcess* lancer(const QStringList& arguments) const
    {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* xdg : {"DATA", "CONFIG", "STATE"})
            env.insert(QStringLiteral("XDG_%1_HOME").arg(QLatin1String(xdg)),
                       m_dossier + '/' + QString::fromLatin1(xdg).toLower());
        p->setProcessEnvironment(env);
        p->setStandardInputFile(QProcess::nullDevice());
        p->start(QStringLiteral(TARVELON), arguments);
        return p;
    }
    static Sortie fin(QProcess* p)
    {
        p->waitForFinished(120000);
        Sortie s{p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
                 QString::fromUtf8(p->readAllStandardOutput() + p->readAllStandardError())};
        delete p;
        return s;
    }
    Sortie tarvelon(const QStringList& arguments) const { return fin(lancer(arguments)); }

    // An entry typed, changed or deleted, as the window stores it.
    void changer(const char* sql, const QString& nom) const
    {
        platform::SqliteDatabase db;
        QVERIFY(db.open(base(), true));
        platform::SqliteStatement requete(db, sql);
        requete.bind(1, nom);
        QCOMPARE(requete.step(), int(platform::SqliteDone));
        QCOMPARE(db.changes(), 1);
    }

    // The table, as "Nom|Date|Annee|MF" in order.
    QStringList table() const
    {
        QStringList l = test::storedRows(base());
        l.sort();
        return l;
    }

private:
    QString m_dossier;
};

} // namespace

class TestPartage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;
    test::Radicale m_serveur;

private Q_SLOTS:
    void twoComputers_oneCalendar()
    {
        RADICALE_OU_PASSER(m_serveur);
        const Maison a(m_dossier.filePath(QStringLiteral("a")));
        const Maison b(m_dossier.filePath(QStringLiteral("b")));
        test::writeDatabase(a.base(), {{"Georges", "23/04", "0000", "M"},
                                       {"Marie", "15/08", "0000", "F"},
                                       {"Paul", "12/05", "1980", " "},
                                       {"Léa", "03/01", "----", " "}});
        test::writeDatabase(b.base(), {{"Georges", "23/04", "0000", "M"},
                                       {"Kévin", "15/10", "0000", "M"},
                                       {"Zoé", "01/02", "1990", "F"},
                                       {"Noé", "05/05", "1995", " "}});
        for (const Maison* m : {&a, &b}) {
            const Sortie s =
                m->tarvelon({"--compte", m_serveur.url().toString(), "alice", "--agenda", "Fêtes",
                             "--mot-de-passe-commande", "echo secret"});
            QVERIFY2(s.code == 0, qPrintable(s.texte));
        }
        const auto synchroniser = [](const Maison& m, const QStringList& plus = {}) {
            const Sortie s = m.tarvelon(QStringList{"--synchroniser"} + plus);
            if (s.code != 0)
                qWarning("%s", qPrintable(s.texte));
            return s;
        };
        QCOMPARE(synchroniser(a).code, 0);

        // B joins: it says what it found and brings nothing in before the
        // user's word; the server keeps A's events.
        const QStringList tableDeB = b.table();
        Sortie s = synchroniser(b);
        QCOMPARE(s.code, 1);
        QVERIFY2(s.texte.contains(QStringLiteral("2 anniversaires")) &&
                     s.texte.contains(QStringLiteral("1 prénom de fête")) &&
                     s.texte.contains(QStringLiteral("--oui")),
                 qPrintable(s.texte));
        QCOMPARE(b.table(), tableDeB);
        QVERIFY(synchroniser(b, {"--oui"}).code == 0);
        // A hears of B's own entries, and says yes too.
        QCOMPARE(synchroniser(a).code, 1);
        QCOMPARE(synchroniser(a, {"--oui"}).code, 0);
        QStringList tous{"Georges|23/04|0000|M", "Marie|15/08|0000|F", "Kévin|15/10|0000|M",
                         "Paul|12/05|1980| ",    "Léa|03/01|----| ",   "Zoé|01/02|1990|F",
                         "Noé|05/05|1995| "};
        tous.sort();
        QCOMPARE(a.table(), tous);
        QCOMPARE(b.table(), tous);

        // A birthday added, changed and deleted on each side reaches the
        // other after one run each.
        a.changer("INSERT INTO Fetes VALUES (?1, '10/10', '2000', 'M')", "Hugo");
        a.changer("UPDATE Fetes SET Annee = '1981' WHERE Nom = ?1", "Paul");
        a.changer("DELETE FROM Fetes WHERE Nom = ?1", "Léa");
        b.changer("INSERT INTO Fetes VALUES (?1, '11/11', '2011', 'F')", "Inès");
        b.changer("INSERT INTO Fetes VALUES (?1, '08/04', '0000', 'M')", "Armand");
        b.changer("UPDATE Fetes SET Date = '02/02' WHERE Nom = ?1", "Zoé");
        b.changer("DELETE FROM Fetes WHERE Nom = ?1", "Noé");
        QCOMPARE(synchroniser(a).code, 0);
        QCOMPARE(synchroniser(b).code, 0);
        QCOMPARE(synchroniser(a).code, 0);
        QStringList apres{"Georges|23/04|0000|M", "Marie|15/08|0000|F", "Kévin|15/10|0000|M",
                          "Paul|12/05|1981| ",    "Zoé|02/02|1990|F",   "Hugo|10/10|2000|M",
                          "Inès|11/11|2011|F",    "Armand|08/04|0000|M"};
        apres.sort();
        QCOMPARE(a.table().join(';'), apres.join(';'));
        QCOMPARE(b.table().join(';'), apres.join(';'));

        // Both at once, then once more each: the same tables, nothing
        // doubled; a third run of each writes nothing. A deletion against a
        // change keeps the change.
        a.changer("INSERT INTO Fetes VALUES (?1, '07/07', '2007', 'M')", "Jules");
        a.changer("UPDATE Fetes SET Annee = '2012' WHERE Nom = ?1", "Inès");
        b.changer("INSERT INTO Fetes VALUES (?1, '06/06', '2006', 'F')", "Jade");
        b.changer("DELETE FROM Fetes WHERE Nom = ?1", "Inès");
        apres.removeOne(QStringLiteral("Inès|11/11|2011|F"));
        apres << QStringLiteral("Inès|11/11|2012|F") << QStringLiteral("Jules|07/07|2007|M")
              << QStringLiteral("Jade|06/06|2006|F");
        apres.sort();
        QProcess* pa = a.lancer({"--synchroniser"});
        QProcess* pb = b.lancer({"--synchroniser"});
        QCOMPARE(Maison::fin(pa).code, 0);
        QCOMPARE(Maison::fin(pb).code, 0);
        for (const Maison* m : {&a, &b})
            QCOMPARE(synchroniser(*m).code, 0);
        for (const Maison* m : {&a, &b}) {
            s = synchroniser(*m);
            QVERIFY2(s.code == 0 && s.texte.contains(QStringLiteral("déjà à jour")) &&
                         !s.texte.contains(QStringLiteral("autre Tarvelon")),
                     qPrintable(s.texte));
            QCOMPARE(m->table().join(';'), apres.join(';'));
        }

        // The calendar deleted on the server and made anew (--compte
        // again): nothing it lacks is a deletion; every event is written
        // again, once.
        const QString alice = m_serveur.stockage() + QStringLiteral("/collection-root/alice");
        for (const QString& d : QDir(alice).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QVERIFY(QDir(alice + '/' + d).removeRecursively());
        s = a.tarvelon({"--compte", m_serveur.url().toString(), "alice", "--agenda", "Fêtes"});
        QVERIFY2(s.code == 0 && s.texte.contains(QStringLiteral("créé")), qPrintable(s.texte));
        s = synchroniser(a);
        QVERIFY2(s.code == 0 && s.texte.contains(QStringLiteral("10 remis")), qPrintable(s.texte));
        for (const Maison* m : {&b, &a}) {
            s = synchroniser(*m);
            QVERIFY2(s.code == 0 && s.texte.contains(QStringLiteral("déjà à jour")),
                     qPrintable(s.texte));
            QCOMPARE(m->table().join(';'), apres.join(';'));
        }
    }
};

QTEST_GUILESS_MAIN(TestPartage)
#include "test_partage.moc"
