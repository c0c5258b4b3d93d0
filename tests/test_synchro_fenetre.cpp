// The synchronisation from the window: the account dialog, runs in the
// background that never hold the window, a failure told once, quietly.
#include "dav/dav.h"
#include "echange/icalendar.h"
#include "platform/sqlite.h"
#include "radicale.h"
#include "support.h"
#include "synchro/compte.h"
#include "windows/echange/fenetre.h"
#include "windows/synchro/dialogue.h"
#include "windows/synchro/synchronisation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The longest the window's event loop was away since the probe started.
class Sonde {
public:
    Sonde()
    {
        QObject::connect(&m_sonde, &QTimer::timeout,
                         [this] { m_pire = std::max(m_pire, m_depuis.restart()); });
        m_depuis.start();
        m_sonde.start(10);
    }
    qint64 pire() const { return std::max(m_pire, m_depuis.elapsed()); }

private:
    QElapsedTimer m_depuis;
    qint64 m_pire = 0;
    QTimer m_sonde;
};

class TestSynchroFenetre : public QObject {
    Q_OBJECT

    test::Radicale m_serveur;
    QTemporaryDir m_xdg;

    int surLeServeur()
    {
        dav::Client c({m_serveur.url(), QStringLiteral("alice"), QStringLiteral("secret"), {}});
        const std::optional<synchro::Compte> compte = synchro::lireCompte();
        return int(dav::changes(c, {compte->agenda, {}, true, true}, QString()).present.size());
    }

private Q_SLOTS:
    void initTestCase()
    {
        RADICALE_OU_PASSER(m_serveur);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_xdg.filePath(QStringLiteral("config"))));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_xdg.filePath(QStringLiteral("state"))));
    }

    // Another program holds the whole calendar while an account is set up:
    // the watch never makes the window wait, and each designed store tells
    // its refusal with the typed text kept.
    void anotherProgramsLock_theWindowAnswersAndEachActionTellsItsRefusal()
    {
        test::Installation inst(
            {{"Georges", "23/04", "0000", "M"}, {"Paul", "12/05", "1980", " "}});
        auto w = inst.startWindow();
        w->Data1->setBusyTimeout(200);
        synchro::Compte compte;
        compte.adresse = m_serveur.url().toString();
        compte.utilisateur = QStringLiteral("alice");
        QVERIFY(synchro::ecrireCompte(compte, nullptr));
        const auto sansCompte = qScopeGuard([] { QFile::remove(synchro::fichierCompte()); });
        auto* sync = new synchro::Synchronisation(w.get(), w->Data1->databaseName());
        sync->periodeVeille = 20;
        const platform::ScopedSwap<synchro::Synchronisation::Avis> calme(
            synchro::Synchronisation::avisSlot(), [](const QString&) {});

        platform::SqliteDatabase autre;
        QVERIFY(autre.open(inst.dbPath(), false));
        QVERIFY(autre.exec("BEGIN EXCLUSIVE"));
        // The window's thread turns all along: never away for a busy wait.
        const auto plusLongueAbsence = [](int duree) {
            const Sonde sonde;
            QTest::qWait(duree);
            return sonde.pire();
        };
        QVERIFY2(plusLongueAbsence(2 * socle::BusyTimeout) < socle::BusyTimeout / 2,
                 "the watch waited on the window's thread");

        w->Text1[0]->setText(QStringLiteral("Georgette"));
        test::press(w->SSCommand2[0]); // Suiv.
        QTRY_COMPARE(inst.messages.shown.size(), size_t(1));
        QCOMPARE(test::shown(*w), QStringLiteral("Georgette|23/04"));
        plusLongueAbsence(200);
        test::press(w->SSCommand1[0]); // Ajouter
        QTRY_COMPARE(inst.messages.shown.size(), size_t(2));
        QCOMPARE(test::shown(*w), QStringLiteral("Georgette|23/04"));
        plusLongueAbsence(200);
        test::press(w->SSCommand5); // the view switch
        QTRY_COMPARE(inst.messages.shown.size(), size_t(3));
        QVERIFY(w->ModeFetes);
        QCOMPARE(test::shown(*w), QStringLiteral("Georgette|23/04"));
        for (size_t i = 0; i < 3; ++i)
            QVERIFY2(inst.messages.shown[i].text.contains(QStringLiteral("autre programme")),
                     qPrintable(inst.messages.shown[i].text));

        QVERIFY(autre.exec("COMMIT"));
        test::press(w->SSCommand2[0]); // free again: stored as a move stores
        QTRY_COMPARE(inst.storedRows().first(), QStringLiteral("Georgette|23/04|0000|M"));

        QVERIFY(autre.exec("BEGIN EXCLUSIVE"));
        w->Text1[0]->setText(QStringLiteral("Georgina"));
        QVERIFY(plusLongueAbsence(socle::BusyTimeout) < socle::BusyTimeout / 2);
        inst.messages.answers = {platform::AnswerNo};
        test::press(w->SSCommand1[2]); // Quitter: asks before losing the text, No keeps it
        QTRY_COMPARE(inst.messages.shown.size(), size_t(4));
        QVERIFY(inst.messages.shown[3].text.endsWith(
            QString::fromUtf8("Quitter sans enregistrer ce que vous avez tapé ?")));
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Georgina"));
        QVERIFY(autre.exec("COMMIT"));
        QVERIFY(!sync->enCours());
    }

    // The password command runs off the window's thread (it may wait: a PIN,
    // a prompt), and once per session.
    void passwordCommand_offTheWindowsThread_oncePerSession()
    {
        test::Installation inst({{"Georges", "23/04", "0000", "M"}});
        auto w = inst.startWindow();
        const QString appels = m_xdg.filePath(QStringLiteral("appels"));
        QFile::remove(appels);
        synchro::Compte compte;
        compte.adresse = m_serveur.url().toString();
        compte.utilisateur = QStringLiteral("alice");
        compte.commandeMotDePasse =
            QStringLiteral("echo x >> '%1'; sleep 1; echo secret").arg(appels);
        QVERIFY(synchro::ecrireCompte(compte, nullptr));
        const auto sansCompte = qScopeGuard([] { QFile::remove(synchro::fichierCompte()); });
        const Sonde sonde;
        auto* sync = new synchro::Synchronisation(w.get(), w->Data1->databaseName());
        QSignalSpy fini(sync, &synchro::Synchronisation::terminee);
        QTRY_COMPARE_WITH_TIMEOUT(fini.size(), 1, 20000); // the run at start
        QVERIFY2(fini[0][0].value<synchro::Bilan>().reussi,
                 qPrintable(fini[0][0].value<synchro::Bilan>().texte));
        QVERIFY2(sonde.pire() < 500,
                 qPrintable(QStringLiteral("window away %1 ms").arg(sonde.pire())));
        sync->lancer(false);
        QTRY_COMPARE_WITH_TIMEOUT(fini.size(), 2, 20000);
        QFile f(appels);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("x\n")); // asked once
    }

    void dialogThenBackgroundRuns_quietFailureToldOnce()
    {
        test::Installation inst(
            {{"Georges", "23/04", "0000", "M"}, {"Paul", "12/05", "1980", " "}});
        auto w = inst.startWindow();
        echange::installer(w.get(), w->Data1->database(), [&w] { w->Actualiser(); });
        auto* sync = new synchro::Synchronisation(w.get(), w->Data1->databaseName());
        sync->delaiApresChangement = 100;
        QStringList avis;
        const platform::ScopedSwap<synchro::Synchronisation::Avis> calme(
            synchro::Synchronisation::avisSlot(), [&avis](const QString& t) { avis << t; });

        // The account dialog: the search lists the calendars, "Créer" makes one.
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<synchro::DialogueCompte*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->Adresse->setText(m_serveur.url().toString());
            d->Utilisateur->setText(QStringLiteral("alice"));
            d->MotDePasse->setText(QStringLiteral("secret"));
            d->Garder->setChecked(false); // for this session only
            d->Chercher->click();
            QCOMPARE(d->Agenda->currentText(),
                     QString::fromUtf8("Créer « Fêtes et anniversaires »"));
            d->Enregistrer->click();
        });
        QSignalSpy fini(sync, &synchro::Synchronisation::terminee);
        sync->configurer();
        QVERIFY(fini.wait(20000));
        QCOMPARE(inst.messages.shown.size(), size_t(1)); // asked for: told
        QVERIFY2(inst.messages.shown[0].text.contains(QString::fromUtf8("2 événements ajoutés")),
                 qPrintable(inst.messages.shown[0].text));
        QCOMPARE(surLeServeur(), 2);

        // A change in the window: a run in the background, half a minute
        // (here a tenth of a second) later.
        w->Text1[0]->setText(QStringLiteral("Georgette"));
        w->SSCommand2_Click(0);
        QVERIFY(fini.wait(20000));
        QCOMPARE(inst.messages.shown.size(), size_t(1)); // not asked for: nothing shown
        QCOMPARE(surLeServeur(), 2);

        // The server gone: said once, quietly, until a run succeeds.
        const int port = m_serveur.port();
        m_serveur.arreter();
        for (const char* nom : {"Georgia", "Georgina"}) {
            w->Text1[0]->setText(QString::fromLatin1(nom));
            w->SSCommand2_Click(1);
            QVERIFY(fini.wait(20000));
        }
        QCOMPARE(avis.size(), 1);
        QVERIFY2(avis[0].contains(QStringLiteral("refusée")), qPrintable(avis[0]));
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY(m_serveur.demarrer(port));
        sync->lancer(false);
        QVERIFY(fini.wait(20000));
        QVERIFY(fini.last().value(0).value<synchro::Bilan>().reussi);
        QCOMPARE(avis.size(), 1);
    }

    // A book ticked: what will come is said first; a no leaves it out, a yes
    // brings exactly what was said, and the window shows it.
    void addressBook_announcedThenAgreed()
    {
        const QUrl carnet = m_serveur.creerCarnet(QStringLiteral("amis"), QStringLiteral("Amis"));
        for (const auto& [nom, bday] :
             {std::pair{"Anne", "1980-03-04"}, {"Bruno", "--0423"}, {"Paul", "1980-05-12"}})
            QVERIFY(m_serveur.deposer(QStringLiteral("amis"), QString::fromLatin1(nom) + ".vcf",
                                      QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:") + nom +
                                          "\r\nFN:" + nom + "\r\nBDAY:" + bday +
                                          "\r\nEND:VCARD\r\n"));
        QVERIFY(
            m_serveur.deposer(QStringLiteral("amis"), QStringLiteral("eve.vcf"),
                              "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:eve\r\nFN:Eve\r\nEND:VCARD\r\n"));
        test::Installation inst(
            {{"Georges", "23/04", "0000", "M"}, {"Paul", "12/05", "1980", " "}});
        auto w = inst.startWindow();
        auto* sync = new synchro::Synchronisation(w.get(), w->Data1->databaseName(),
                                                  [&w] { w->Actualiser(); });
        sync->delaiApresChangement = 100;
        sync->periodeVeille = 20;
        QStringList avis;
        const platform::ScopedSwap<synchro::Synchronisation::Avis> calme(
            synchro::Synchronisation::avisSlot(), [&avis](const QString& t) { avis << t; });
        QTRY_COMPARE(avis.size(), 1); // no password this session: said, never asked unasked
        QVERIFY2(avis[0].contains(QString::fromUtf8("Synchroniser maintenant")),
                 qPrintable(avis[0]));
        QSignalSpy fini(sync, &synchro::Synchronisation::terminee);
        const auto dialogue = [&](int reponse) {
            inst.messages.answers = {reponse};
            QTimer::singleShot(0, [&] {
                auto* d = qobject_cast<synchro::DialogueCompte*>(QApplication::activeModalWidget());
                QVERIFY(d);
                const auto fermer = qScopeGuard([d] {
                    if (d->isVisible())
                        d->reject();
                });
                d->MotDePasse->setText(QStringLiteral("secret"));
                d->Garder->setChecked(false);
                d->Chercher->click();
                const QList<QListWidgetItem*> amis =
                    d->Carnets->findItems(QStringLiteral("Amis"), Qt::MatchExactly);
                QVERIFY2(amis.size() == 1, qPrintable(d->Etat->text()));
                amis[0]->setCheckState(Qt::Checked);
                d->Enregistrer->click();
            });
            sync->configurer();
            QVERIFY(fini.wait(20000));
        };
        w->SSCommand5_Click(); // the birthday view
        QCOMPARE(w->Data1->recordset().recordCount(), 1);
        const size_t avant = inst.messages.shown.size();
        dialogue(platform::AnswerNo);
        QCOMPARE(inst.messages.shown.size(), avant + 2); // the question, the report
        QCOMPARE(inst.messages.shown[avant].text,
                 QString::fromUtf8("Carnet « Amis » : 3 anniversaires trouvés dans 4 contacts, "
                                   "dont 1 déjà présent.\n\rLes ajouter au calendrier, et les "
                                   "tenir à jour ?"));
        QVERIFY(synchro::lireCompte()->carnets.isEmpty());

        dialogue(platform::AnswerYes);
        QCOMPARE(synchro::lireCompte()->carnets, QList<QUrl>{carnet});
        const QString rapport = inst.messages.shown.back().text;
        QVERIFY2(rapport.contains(QString::fromUtf8("Carnet « Amis » : 2 anniversaires ajoutés, "
                                                    "1 déjà présent.")),
                 qPrintable(rapport));
        // The window, in the birthday view, has them without a move.
        QCOMPARE(w->Data1->recordset().recordCount(), 3); // Paul, Anne, Bruno
        // The run's own commit is no change to follow: no second run.
        QVERIFY(!fini.wait(1000));
    }

    // The calendar holds a birthday another Tarvelon wrote (the user's other
    // computer): the window says so and asks; yes brings it, and keeps the
    // calendar shared.
    void sharedCalendar_askedThenBroughtIn()
    {
        const socle::Fiche zoe{"Zoé", "01/02", "1990", "F"};
        const echange::Evenement e = echange::evenements({zoe}, socle::Selection::Tout).front();
        dav::Client c({m_serveur.url(), QStringLiteral("alice"), QStringLiteral("secret"), {}});
        const QUrl ou =
            synchro::lireCompte()->agenda.resolved(QUrl(QString::fromUtf8(e.uid) + ".ics"));
        QVERIFY(dav::put(c, ou, echange::ecrireEvenement(e, {}), "text/calendar", std::nullopt)
                    .error.isEmpty());
        synchro::Compte compte = *synchro::lireCompte();
        compte.commandeMotDePasse = QStringLiteral("echo secret");
        QVERIFY(synchro::ecrireCompte(compte, nullptr));
        test::Installation inst({{"Georges", "23/04", "0000", "M"}});
        auto w = inst.startWindow();
        const size_t avant = inst.messages.shown.size();
        inst.messages.answers = {platform::AnswerYes};
        // The start's own run finds it: asked, though the user did not ask
        // for the run, since nothing goes on before the answer.
        auto* sync = new synchro::Synchronisation(w.get(), w->Data1->databaseName(),
                                                  [&w] { w->Actualiser(); });
        QSignalSpy fini(sync, &synchro::Synchronisation::terminee);
        QVERIFY(fini.wait(20000));
        QVERIFY2(fini.last().value(0).value<synchro::Bilan>().reussi,
                 qPrintable(fini.last().value(0).value<synchro::Bilan>().texte));
        QCOMPARE(inst.messages.shown.size(), avant + 1);
        QVERIFY2(inst.messages.shown[avant].text.startsWith(QString::fromUtf8(
                     "L'agenda « Fêtes et anniversaires » tient déjà les fêtes et anniversaires "
                     "d'un autre Tarvelon : 1 anniversaire.")) &&
                     inst.messages.shown[avant].text.endsWith(
                         QString::fromUtf8("Les ajouter au calendrier, et les tenir à jour ?")),
                 qPrintable(inst.messages.shown[avant].text));
        QVERIFY(synchro::lireCompte()->partage.value_or(false));
        QVERIFY2(fini.last().value(0).value<synchro::Bilan>().texte.contains(
                     QString::fromUtf8("d'un autre Tarvelon : 1 anniversaire ajouté")),
                 qPrintable(fini.last().value(0).value<synchro::Bilan>().texte));
        w->SSCommand5_Click(); // the birthday view
        QCOMPARE(w->Data1->recordset().recordCount(), 1);
    }
};

QTEST_MAIN(TestSynchroFenetre)
#include "test_synchro_fenetre.moc"
