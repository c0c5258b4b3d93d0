// The birthdays of address books on a real Radicale (CardDAV), followed from
// run to run as tarvelon --synchroniser and the window run it.
#include "dav/dav.h"
#include "dav/xml.h"
#include "fakes.h"
#include "radicale.h"
#include "socle/fetes.h"
#include "socle/proches.h"
#include "synchro/carnets.h"
#include "synchro/etat.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <sys/stat.h>

namespace {

QByteArray carte(const QString& nom, const QByteArray& naissance)
{
    QByteArray c = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + nom.toUtf8().toHex() +
                   "\r\nFN:" + nom.toUtf8() + "\r\nN:;" + nom.toUtf8() + ";;;\r\n";
    if (!naissance.isEmpty())
        c += naissance + "\r\n";
    return c + "END:VCARD\r\n";
}

} // namespace

class TestCarnets : public QObject {
    Q_OBJECT

    QTemporaryDir m_maison;
    test::Radicale m_serveur;
    int m_numero = 0;
    QString m_chemin; // this test's address book
    QUrl m_carnet;

    QString db() const { return m_maison.filePath(QStringLiteral("data/tarvelon/tarvelon.db")); }

    dav::Client client() const
    {
        return dav::Client(
            {m_serveur.url(), QStringLiteral("alice"), QStringLiteral("secret"), {}});
    }

    synchro::Compte compte() const
    {
        synchro::Compte c;
        c.adresse = m_serveur.url().toString();
        c.utilisateur = QStringLiteral("alice");
        c.carnets = {m_carnet};
        c.nomsCarnets = {QStringLiteral("Amis")};
        return c;
    }

    synchro::Bilan run(const synchro::Compte& c)
    {
        const synchro::Bilan b = synchro::synchroniser(c, QStringLiteral("secret"), db());
        qInfo().noquote() << b.texte;
        return b;
    }
    synchro::Bilan run() { return run(compte()); }

    void mettre(const QString& nom, const QByteArray& naissance)
    {
        dav::Client c = client();
        const dav::Response r = c.request(
            "PUT", m_carnet.resolved(QUrl(QString::fromLatin1(nom.toUtf8().toHex()) + ".vcf")),
            carte(nom, naissance), {{"Content-Type", "text/vcard"}});
        QVERIFY2(r.ok(), qPrintable(dav::reason(r)));
    }

    void enlever(const QString& nom)
    {
        dav::Client c = client();
        const dav::Written e = dav::remove(
            c, m_carnet.resolved(QUrl(QString::fromLatin1(nom.toUtf8().toHex()) + ".vcf")),
            std::nullopt);
        QVERIFY2(e.error.isEmpty(), qPrintable(e.error));
    }

    // The table's birthdays, as "Nom dd/mm aaaa".
    QStringList anniversaires()
    {
        socle::Database base;
        base.open(QFile::encodeName(db()).toStdString(), socle::OpenMode::ReadOnly);
        std::vector<socle::FicheStockee> fiches;
        socle::lireFiches(base, fiches);
        QStringList l;
        for (const socle::FicheStockee& f : fiches)
            if (!f.fiche.estFete())
                l << QString::fromStdString(f.fiche.nom + ' ' + f.fiche.date + ' ' + f.fiche.annee);
        l.sort();
        return l;
    }

    void sql(const char* requete)
    {
        socle::Database base;
        QVERIFY(base.open(QFile::encodeName(db()).toStdString(), socle::OpenMode::ReadWrite));
        QVERIFY2(base.exec(requete), requete);
    }

private Q_SLOTS:
    void initTestCase() { RADICALE_OU_PASSER(m_serveur); }

    // Each test: a calendar of its own, a fresh state, a book of its own.
    void init()
    {
        const QString ici = m_maison.filePath(QString::number(++m_numero));
        qputenv("XDG_STATE_HOME", QFile::encodeName(ici + QStringLiteral("/state")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(ici + QStringLiteral("/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_maison.filePath(QStringLiteral("data"))));
        QDir().mkpath(m_maison.filePath(QStringLiteral("data/tarvelon")));
        QFile::remove(db());
        test::writeDatabase(db(),
                            {{"Georges", "23/04", "0000", "M"}, {"Paul", "12/05", "1980", " "}});
        m_chemin = QStringLiteral("carnet%1").arg(m_numero);
        m_carnet = m_serveur.creerCarnet(m_chemin, QStringLiteral("Amis"));
    }

    // The book's people: every contact with a name, with or without a
    // birthday, wished by N's given names; a renamed contact keeps its chosen
    // day; a deleted one goes unless its day was chosen or it was left out
    // (kept, and counted once); a second run changes nothing.
    void people_keptInStepWithTheBook()
    {
        mettre(QStringLiteral("Georges"), "BDAY:1980-05-12");
        mettre(QStringLiteral("Paul"), "BDAY:1980-05-12"); // typed by the user already
        for (const char* nom : {"Jean", "Pierre", "Zoé"})
            mettre(QString::fromUtf8(nom), {});
        QVERIFY(run().reussi);
        const auto personnes = [this] {
            socle::Database base;
            base.open(QFile::encodeName(db()).toStdString(), socle::OpenMode::ReadWrite);
            std::vector<socle::Proche> p;
            socle::lireProches(base, p);
            std::map<QString, socle::Proche> parNom;
            for (socle::Proche& x : p)
                parNom[QString::fromStdString(x.nom)] = x;
            return parNom;
        };
        auto p = personnes();
        QCOMPARE(p.size(), size_t(5)); // the five contacts: Paul, typed already, is one person
        QCOMPARE(p[QStringLiteral("Georges")].jour, std::string("23/04"));
        QVERIFY(p[QStringLiteral("Georges")].fiche != 0);
        QVERIFY(p[QStringLiteral("Jean")].source.rfind("carnet:", 0) == 0);
        QVERIFY(p[QStringLiteral("Paul")].source.rfind("carnet:", 0) == 0);
        QVERIFY(p[QStringLiteral("Paul")].fiche != 0);
        {
            socle::Database base;
            base.open(QFile::encodeName(db()).toStdString(), socle::OpenMode::ReadWrite);
            socle::Proche jean = p[QStringLiteral("Jean")];
            jean.jour = "24/06";
            jean.jourChoisi = true;
            socle::Proche pierre = p[QStringLiteral("Pierre")];
            pierre.souhaiter = false;
            QCOMPARE(socle::ecrireProche(base, jean), int(socle::SqliteOk));
            QCOMPARE(socle::ecrireProche(base, pierre), int(socle::SqliteOk));
        }

        // Jean renamed in place: the same card, another name.
        {
            dav::Client c = client();
            const dav::Response r = c.request(
                "PUT",
                m_carnet.resolved(QUrl(QString::fromLatin1(QByteArray("Jean").toHex()) + ".vcf")),
                carte(QStringLiteral("Jeannot"), {})
                    .replace(QByteArray("Jeannot").toHex(), QByteArray("Jean").toHex()),
                {{"Content-Type", "text/vcard"}});
            QVERIFY2(r.ok(), qPrintable(dav::reason(r)));
        }
        QVERIFY(run().reussi);
        p = personnes();
        QVERIFY(!p.count(QStringLiteral("Jean")));
        QCOMPARE(p[QStringLiteral("Jeannot")].jour, std::string("24/06"));
        QVERIFY(p[QStringLiteral("Jeannot")].jourChoisi);

        for (const char* nom : {"Jean", "Pierre", "Zoé"})
            enlever(QString::fromUtf8(nom));
        synchro::Bilan b = run();
        QVERIFY2(b.texte.contains(QString::fromUtf8("2 proches gardés")), qPrintable(b.texte));
        p = personnes();
        QVERIFY(p.count(QStringLiteral("Jeannot")) && p.count(QStringLiteral("Pierre")));
        QVERIFY(!p.count(QString::fromUtf8("Zoé")));
        b = run();
        QVERIFY2(b.texte.contains(QString::fromUtf8("déjà à jour")) &&
                     !b.texte.contains(QStringLiteral("proche")),
                 qPrintable(b.texte));
        QCOMPARE(personnes().size(), p.size());
    }

    // tarvelon --compte again, to change one setting, keeps the others and
    // the books followed: a book named again is the same book.
    void accountAgain_keepsWhatItDoesNotChange()
    {
        const auto compte = [this](const QStringList& options) {
            QProcess p;
            p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            p.start(QStringLiteral(TARVELON),
                    QStringList{"--compte", m_serveur.url().toString(), "alice",
                                "--mot-de-passe-commande", "echo secret"} +
                        options);
            p.waitForFinished(30000);
            return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
        };
        QCOMPARE(compte({"--agenda", "Fêtes", "--carnet", "Amis", "--rappel", "veille",
                         "--publier-carnets", "--proches-publies", "non"}),
                 QString());
        const std::optional<synchro::Compte> avant = synchro::lireCompte();
        QVERIFY(avant);
        QCOMPARE(avant->carnets.size(), 1); // an "Amis" of the account
        QCOMPARE(compte({"--rappel", "jour"}), QString());
        std::optional<synchro::Compte> apres = synchro::lireCompte();
        QVERIFY(apres);
        QCOMPARE(apres->rappel, synchro::Rappel::Jour);
        QCOMPARE(apres->carnets, avant->carnets);
        QCOMPARE(apres->agenda, avant->agenda);
        QVERIFY(apres->publierCarnets && !apres->prochesPublies);
        QCOMPARE(compte({"--carnet", "Amis"}), QString());
        apres = synchro::lireCompte();
        QCOMPARE(apres->carnets, avant->carnets);
        QCOMPARE(apres->rappel, synchro::Rappel::Jour);
    }

    // The password command: a first line too long is no password; a command
    // given up takes with it what it started.
    void passwordCommand_boundedAndGivenUpWhole()
    {
        synchro::MotDePasse m =
            synchro::motDePasseDeCommande(QStringLiteral("head -c 100000 /dev/zero | tr '\\0' a"));
        QVERIFY(!m.valeur);
        QVERIFY2(m.erreur.contains(QStringLiteral("plus de 4096 caractères")),
                 qPrintable(m.erreur));
        m = synchro::motDePasseDeCommande(QStringLiteral("sleep 31.4159 & sleep 31.4159"), 300);
        QVERIFY(!m.valeur && m.erreur.contains(QString::fromUtf8("ne s'est pas terminée")));
        const auto restants = [] {
            int n = 0;
            for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
                QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
                if (f.open(QIODevice::ReadOnly) && f.readAll().contains("31.4159"))
                    ++n;
            }
            return n;
        };
        QTRY_COMPARE(restants(), 0);
    }

    // A sync token no server needs that long is not kept.
    void hugeSyncToken_notKept()
    {
        const QUrl ici(QStringLiteral("https://serveur.exemple/dav/"));
        const auto reponse = [&](qsizetype n) {
            return dav::parseMultistatus("<d:multistatus xmlns:d=\"DAV:\"><d:sync-token>" +
                                             QByteArray(n, 't') + "</d:sync-token></d:multistatus>",
                                         ici);
        };
        QCOMPARE(reponse(100)->token.size(), 100);
        QVERIFY(reponse(1024 * 1024)->token.isEmpty());
    }

    // A state file is written as the exports are: through a link to a
    // regular file (the link stays, the file readable by the user alone),
    // never into a pipe or a device a link names.
    void stateFile_onlyARegularFile()
    {
        const QString lien = m_maison.filePath(QStringLiteral("etat-lien.json"));
        const QString tube = m_maison.filePath(QStringLiteral("tube"));
        QCOMPARE(::mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
        QVERIFY(QFile::link(tube, lien));
        QVERIFY(!synchro::ecrireFichierEtat(lien, {{QStringLiteral("a"), 1}}));
        QVERIFY(QFileInfo(lien).isSymLink() && !QFileInfo(tube).isFile());
        const QString vrai = m_maison.filePath(QStringLiteral("vrai.json"));
        QVERIFY(QFile::remove(lien) && QFile::link(vrai, lien));
        QVERIFY(synchro::ecrireFichierEtat(lien, {{QStringLiteral("a"), 1}}));
        QVERIFY(QFileInfo(lien).isSymLink());
        QCOMPARE(synchro::lireFichierEtat(vrai).value(QStringLiteral("a")).toInt(), 1);
        QCOMPARE(QFile::permissions(vrai) & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());
    }

    // What the dialog announces is what comes; then each kind of change on
    // the server is followed by the next run.
    void firstImport_announcedThenFollowed()
    {
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        mettre(QStringLiteral("Bruno"), "BDAY:--0512");
        mettre(QStringLiteral("Chloé"), "BDAY:1604-07-01"); // iOS, param dropped
        mettre(QStringLiteral("Denis"), "BDAY;X-APPLE-OMIT-YEAR=1604:1604-08-02"); // iOS
        mettre(QStringLiteral("Eve"), {});
        mettre(QStringLiteral("Paul"), "BDAY:19800512"); // typed by the user already

        socle::Database base;
        QVERIFY(base.open(QFile::encodeName(db()).toStdString(), socle::OpenMode::ReadWrite));
        synchro::Connexion c(compte(), QStringLiteral("secret"));
        const synchro::Apercu a = synchro::apercu(c, m_carnet, base);
        QVERIFY2(a.erreur.isEmpty(), qPrintable(a.erreur));
        QCOMPARE(a.texte(), QString::fromUtf8("5 anniversaires trouvés dans 6 contacts, dont 1 "
                                              "déjà présent"));
        QCOMPARE(anniversaires().size(), 1); // nothing written

        synchro::Bilan b = run();
        QVERIFY2(b.reussi && b.tableChangee, qPrintable(b.texte));
        QVERIFY2(b.texte.contains(QString::fromUtf8("4 anniversaires ajoutés, 1 déjà présent")),
                 qPrintable(b.texte));
        QCOMPARE(anniversaires(),
                 QStringList({"Anne 04/03 1980", "Bruno 12/05 ----", "Chloé 01/07 ----",
                              "Denis 02/08 ----", "Paul 12/05 1980"}));
        b = run();
        QVERIFY2(b.texte.contains(QString::fromUtf8("déjà à jour")) && !b.tableChangee,
                 qPrintable(b.texte));

        mettre(QStringLiteral("Fanny"), "BDAY:2001-09-10");
        mettre(QStringLiteral("Anne"), "BDAY:1981-03-04");
        enlever(QStringLiteral("Bruno"));
        mettre(QStringLiteral("Chloé"), {});
        b = run();
        QVERIFY2(
            b.texte.contains(QString::fromUtf8("1 anniversaire ajouté, 1 modifié, 2 supprimés")),
            qPrintable(b.texte));
        QCOMPARE(anniversaires(), QStringList({"Anne 04/03 1981", "Denis 02/08 ----",
                                               "Fanny 10/09 2001", "Paul 12/05 1980"}));
        // The user's own Paul is the user's: gone from the book, it stays.
        enlever(QStringLiteral("Paul"));
        run();
        QVERIFY(anniversaires().contains(QStringLiteral("Paul 12/05 1980")));
    }

    // The same changes, on entries the user changed in the window: kept, and
    // counted; a birthday the user typed before the contact came is not
    // doubled.
    void userChanges_keptAndCounted()
    {
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        mettre(QStringLiteral("Bruno"), "BDAY:1975-05-06");
        mettre(QStringLiteral("Chloé"), "BDAY:1990-07-01");
        QVERIFY(run().reussi);
        sql("UPDATE Fetes SET Nom = 'Anne-Marie' WHERE Nom = 'Anne'");
        sql("UPDATE Fetes SET Annee = '1976' WHERE Nom = 'Bruno'");
        sql("UPDATE Fetes SET Date = '02/07' WHERE Nom = 'Chloé'");
        sql("INSERT INTO Fetes VALUES ('Fanny', '10/09', '2001', ' ')");

        mettre(QStringLiteral("Anne"), "BDAY:1981-03-04");
        enlever(QStringLiteral("Bruno"));
        mettre(QStringLiteral("Chloé"), {});
        mettre(QStringLiteral("Fanny"), "BDAY:2001-09-10");
        const synchro::Bilan b = run();
        QVERIFY2(b.texte.contains(QString::fromUtf8("3 fiches gardées telles que vous les avez "
                                                    "changées, 1 déjà présent")),
                 qPrintable(b.texte));
        QCOMPARE(anniversaires(),
                 QStringList({"Anne-Marie 04/03 1980", "Bruno 06/05 1976", "Chloé 02/07 1990",
                              "Fanny 10/09 2001", "Paul 12/05 1980"}));
        // Theirs from now on: a later change of the contact leaves them be.
        mettre(QStringLiteral("Anne"), "BDAY:1982-03-04");
        mettre(QStringLiteral("Fanny"), "BDAY:2002-09-10");
        run();
        QCOMPARE(anniversaires().size(), 5);
        QVERIFY(anniversaires().contains(QStringLiteral("Anne-Marie 04/03 1980")));
    }

    // A birthday that cannot be read is counted and named, never the end of
    // the run; a token the server no longer knows doubles and removes nothing.
    void unreadableBirthday_andUnknownToken()
    {
        // Put in the storage itself: a server may refuse such a card on PUT.
        QVERIFY(m_serveur.deposer(m_chemin, QStringLiteral("gerard.vcf"),
                                  carte(QStringLiteral("Gérard Mauvais"), "BDAY:garbage")));
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        synchro::Bilan b = run();
        QVERIFY2(b.reussi, qPrintable(b.texte));
        QVERIFY2(b.texte.contains(QString::fromUtf8("1 anniversaire ajouté")) &&
                     b.texte.contains(QString::fromUtf8("1 anniversaire illisible : Gérard Mauvais "
                                                        "(la date de naissance « garbage » est "
                                                        "illisible)")),
                 qPrintable(b.texte));
        // Named once: the next run, with nothing new, says nothing of it.
        b = run();
        QVERIFY2(b.reussi && !b.texte.contains(QStringLiteral("illisible")), qPrintable(b.texte));

        QFile f(synchro::fichierEtatCarnets());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QJsonObject etat = QJsonDocument::fromJson(f.readAll()).object();
        f.close();
        QJsonObject carnet = etat[m_carnet.toString()].toObject();
        carnet[QStringLiteral("jeton")] = QStringLiteral("http://radicale.org/ns/sync/inconnu");
        etat[m_carnet.toString()] = carnet;
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(etat).toJson());
        f.close();
        b = run();
        QVERIFY2(b.reussi && !b.tableChangee, qPrintable(b.texte));
        QCOMPARE(anniversaires(), QStringList({"Anne 04/03 1980", "Paul 12/05 1980"}));
    }

    // The books' birthdays stay off the calendar unless the user asks.
    void booksBirthdays_publishedOnlyWhenAsked()
    {
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        synchro::Compte c = compte();
        dav::Client cl = client();
        const dav::Created agenda =
            dav::makeCalendar(cl, m_serveur.url().resolved(QUrl(QStringLiteral("alice/"))),
                              QStringLiteral("Agenda %1").arg(m_numero));
        QVERIFY2(agenda.error.isEmpty(), qPrintable(agenda.error));
        c.agenda = agenda.url;
        c.nomAgenda = QStringLiteral("Fêtes");
        const auto evenements = [&] {
            dav::Client d = client();
            return dav::changes(d, {agenda.url, {}, true, true}, QString()).present.size();
        };
        synchro::Bilan b = run(c);
        QVERIFY2(b.reussi, qPrintable(b.texte));
        QCOMPARE(evenements(), size_t(2)); // Georges's day, Paul; not Anne
        c.publierCarnets = true;
        b = run(c);
        QCOMPARE(b.ecritures, 1);
        QCOMPARE(evenements(), size_t(3));
    }

    // 2,000 contacts put into the storage: imported, then followed after
    // one change.
    void twoThousandContacts_importedThenFollowed()
    {
        for (int i = 0; i < 2000; ++i) {
            const QString nom = QStringLiteral("Contact%1").arg(i);
            const QDate jour = QDate(1950 + i % 60, 1, 1).addDays(i % 365);
            QVERIFY(m_serveur.deposer(m_chemin, QStringLiteral("c%1.vcf").arg(i),
                                      carte(nom, "BDAY:" + jour.toString(Qt::ISODate).toLatin1())));
        }
        // Radicale indexes files put behind its back at their first listing
        // (a minute on a slow machine): done before the run, whose requests
        // each have 30 s.
        {
            dav::Client c({m_serveur.url(), QStringLiteral("alice"), QStringLiteral("secret"), {}},
                          300000);
            const dav::Response r = c.request(
                "PROPFIND", m_carnet,
                "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop><d:sync-token/>"
                "</d:prop></d:propfind>",
                {{"Depth", "0"}, {"Content-Type", "application/xml"}});
            QVERIFY2(r.ok(), qPrintable(dav::reason(r)));
        }
        synchro::Bilan b = run();
        QVERIFY2(b.texte.contains(QString::fromUtf8("2\u202F000 anniversaires ajoutés")),
                 qPrintable(b.texte));
        QCOMPARE(anniversaires().size(), 2001);
        QVERIFY(m_serveur.deposer(m_chemin, QStringLiteral("c7.vcf"),
                                  carte(QStringLiteral("Contact7"), "BDAY:1999-12-31")));
        b = run();
        QVERIFY2(b.texte.contains(QString::fromUtf8("Carnet « Amis » : 1 modifié.")),
                 qPrintable(b.texte));
        QVERIFY(anniversaires().contains(QStringLiteral("Contact7 31/12 1999")));
        QCOMPARE(anniversaires().size(), 2001);
    }

    // tarvelon --compte … --carnet: the book found by its name (an unknown
    // one named with those there are), then followed by --synchroniser.
    void commandLine_bookByName()
    {
        m_carnet = m_serveur.creerCarnet(QStringLiteral("famille"), QStringLiteral("Famille"));
        m_chemin = QStringLiteral("famille");
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        const auto tarvelon = [](const QStringList& arguments, QString& dit) {
            QProcess p;
            p.start(QStringLiteral(TARVELON), arguments);
            p.waitForFinished(30000);
            dit = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        const QStringList compte{"--compte", m_serveur.url().toString(), "alice",
                                 "--mot-de-passe-commande", "echo secret"};
        QString dit;
        QCOMPARE(tarvelon(compte + QStringList{"--carnet", "Voisins"}, dit), 1);
        QVERIFY2(dit.contains(QString::fromUtf8("le carnet d'adresses « Voisins » n'existe pas")) &&
                     dit.contains(QStringLiteral("Famille")),
                 qPrintable(dit));
        QCOMPARE(tarvelon(compte + QStringList{"--carnet", "famille", "--synchroniser"}, dit), 0);
        QVERIFY2(dit.contains(QString::fromUtf8("carnet « Famille » suivi")) &&
                     dit.contains(QString::fromUtf8("Carnet « Famille » : 1 anniversaire ajouté.")),
                 qPrintable(dit));
        QVERIFY(anniversaires().contains(QStringLiteral("Anne 04/03 1980")));
    }

    // Two runs started at once, ten times over: one works, the other waits
    // for it or says so; the end is one run's, every birthday followed (none
    // taken for the user's), and a contact deleted afterwards goes.
    void twoRunsAtOnce_oneAtATime()
    {
        for (int i = 0; i < 40; ++i)
            mettre(QStringLiteral("Ami%1").arg(i), "BDAY:1980-03-04");
        const QByteArray etat = qgetenv("XDG_STATE_HOME");
        for (int tour = 0; tour < 10; ++tour) {
            qputenv("XDG_STATE_HOME", etat + '/' + QByteArray::number(tour));
            QFile::remove(db());
            test::writeDatabase(db(), {{"Georges", "23/04", "0000", "M"}});
            synchro::Bilan bilans[2];
            std::unique_ptr<QThread> fils[2];
            for (int i = 0; i < 2; ++i) {
                fils[i].reset(QThread::create([this, &bilans, i] {
                    bilans[i] = synchro::synchroniser(compte(), QStringLiteral("secret"), db());
                }));
                fils[i]->start();
            }
            for (auto& f : fils)
                QVERIFY(f->wait(120000));
            QStringList dits{bilans[0].texte, bilans[1].texte};
            dits.sort();
            QVERIFY2(dits.filter(QStringLiteral("40 anniversaires ajoutés")).size() == 1,
                     qPrintable(dits.join('\n')));
            for (const synchro::Bilan& b : bilans)
                QVERIFY2(b.reussi ? !b.texte.contains(QStringLiteral("déjà présent"))
                                  : b.texte.contains(QStringLiteral("une synchronisation est "
                                                                    "déjà en cours")),
                         qPrintable(b.texte));
            int suivis = 0;
            for (const auto& [url, carnet] : synchro::lireEtatCarnets())
                for (const auto& [cle, c] : carnet.contacts) {
                    QVERIFY(!c.deLUtilisateur);
                    suivis += c.rowid > 0;
                }
            QCOMPARE(suivis, 40);
            QCOMPARE(anniversaires().size(), 40);
        }
        enlever(QStringLiteral("Ami7"));
        QVERIFY(run().reussi);
        QCOMPARE(anniversaires().size(), 39);
    }

    // A contact and its copy (the copy "déjà présent"); the card Tarvelon
    // wrote from deleted, as a phone merging the two does: the birthday
    // stays, and follows the copy from then on.
    void duplicateMergedAway_birthdayFollowsTheCopy()
    {
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        QVERIFY(run().reussi);
        dav::Client c = client();
        const QUrl copie = m_carnet.resolved(QUrl(QStringLiteral("copie.vcf")));
        const auto poser = [&](const QByteArray& naissance) {
            QByteArray carteCopie = carte(QStringLiteral("Anne"), naissance);
            carteCopie.replace("UID:", "UID:copie-");
            const dav::Response r =
                c.request("PUT", copie, carteCopie, {{"Content-Type", "text/vcard"}});
            QVERIFY2(r.ok(), qPrintable(dav::reason(r)));
        };
        poser("BDAY:1980-03-04");
        QVERIFY2(run().texte.contains(QString::fromUtf8("1 déjà présent")), "");
        enlever(QStringLiteral("Anne"));
        synchro::Bilan b = run();
        QVERIFY2(b.reussi && !b.texte.contains(QString::fromUtf8("supprimé")), qPrintable(b.texte));
        QCOMPARE(anniversaires(), QStringList({"Anne 04/03 1980", "Paul 12/05 1980"}));
        poser("BDAY:1981-03-04");
        b = run();
        QVERIFY2(b.texte.contains(QString::fromUtf8("1 modifié")), qPrintable(b.texte));
        QCOMPARE(anniversaires(), QStringList({"Anne 04/03 1981", "Paul 12/05 1980"}));
        QVERIFY(dav::remove(c, copie, std::nullopt).error.isEmpty());
        run();
        QCOMPARE(anniversaires(), QStringList({"Paul 12/05 1980"}));
    }

    // carnets.json lost: nothing known. The book read again, its entries
    // found by their cards (a birthday typed before its card came cannot be
    // told from one Tarvelon wrote then), none made the user's: a contact
    // deleted later still takes its birthday.
    void stateLost_entriesFoundByTheirCards()
    {
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        mettre(QStringLiteral("Bruno"), "BDAY:1975-05-06");
        QVERIFY(run().reussi);
        QVERIFY(QFile::remove(synchro::fichierEtatCarnets()));
        const synchro::Bilan b = run();
        QVERIFY2(b.reussi && !b.tableChangee, qPrintable(b.texte));
        int suivis = 0;
        for (const auto& [url, carnet] : synchro::lireEtatCarnets())
            for (const auto& [cle, c] : carnet.contacts)
                suivis += c.rowid > 0 && !c.deLUtilisateur;
        QCOMPARE(suivis, 2);
        enlever(QStringLiteral("Anne"));
        run();
        QCOMPARE(anniversaires(), QStringList({"Bruno 06/05 1975", "Paul 12/05 1980"}));
    }

    // The server refuses: a French reason, the state and the table as they were.
    void wrongPassword_stateUntouched()
    {
        mettre(QStringLiteral("Anne"), "BDAY:1980-03-04");
        const synchro::Bilan b = synchro::synchroniser(compte(), QStringLiteral("faux"), db());
        QVERIFY(!b.reussi);
        QVERIFY2(b.texte.contains(QString::fromUtf8("Le carnet « Amis » n'a pas pu être lu")),
                 qPrintable(b.texte));
        QVERIFY(!QFile::exists(synchro::fichierEtatCarnets()));
        QCOMPARE(anniversaires().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCarnets)
#include "test_carnets.moc"
