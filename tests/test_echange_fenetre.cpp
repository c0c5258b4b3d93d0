// Birthdays in and out from the window: a dropped file, the context menu,
// and the birthday without a year, which has no age line.
#include "ancien/access.h"
#include "support.h"
#include "windows/echange/fenetre.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include <QMenu>
#include <QMimeData>
#include <QtTest>

using test::shown;

class TestEchangeFenetre : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;

    QString write(const QString& name, const QByteArray& bytes)
    {
        return test::writeFile(m_files.filePath(name), bytes);
    }

    static std::vector<test::Row> calendrier()
    {
        return {{"Georges", "23/04", "0000", "M"}, {"Paul", "12/05", "1990", " "}};
    }

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void droppedFile_importedReportedAndShown()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        echange::installer(w.get(), w->Data1->database(), [&w] { w->Actualiser(); });
        w->SSCommand5_Click(); // the birthdays, on Paul
        w->SSCommand2_Click(3);
        QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
        const QString vcf = write(QStringLiteral("amis.vcf"),
                                  "BEGIN:VCARD\nVERSION:3.0\nFN:Zoé\nBDAY:--0423\nEND:VCARD\n");

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(vcf)});
        mime.setText(vcf);
        // Dropped on the name box: the file is imported, the box is left alone.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(w->Text1[0], &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(w->Text1[0], &drop);
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Paul"));
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY(inst.messages.shown[0].text.contains(QString::fromUtf8("1 anniversaire ajouté")));
        QCOMPARE(inst.storedRows().last(), QString::fromUtf8("Zoé|23/04|----| "));

        // The view was read again: still on Paul, and Zoé is there.
        QCOMPARE(shown(*w), QStringLiteral("Paul|12/05"));
        w->SSCommand2_Click(0);
        QCOMPARE(shown(*w), QString::fromUtf8("Zoé|23/04"));
        QCOMPARE(w->Label1[2]->text(), QString()); // no year, no age
        QCOMPARE(test::listItems(*w), QStringList{"Georges"});

        // Any other year keeps the designed age line, even one that is no number.
        w->Text3->setText(QStringLiteral("a19"));
        w->SSCommand2_Click(0); // stored, and Zoé, the last, shown again
        QCOMPARE(w->Label1[2]->text(), QString::fromUtf8("2026 ans cette année. "));
    }

    // The old installation's folder dropped on the window: brought over and
    // shown.
    void droppedOldFolder_broughtOver()
    {
        ancien::lecteurSlot() = TARVELON_LECTEUR;
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        echange::installer(w.get(), w->Data1->database(), [&w] { w->Actualiser(); });
        const QString old = m_files.filePath(QStringLiteral("tarvelon"));
        QDir().mkpath(old);
        QVERIFY(QFile::copy(QStringLiteral(TARVELON_DONNEES "/mdb/tarvelon-2000.mdb"),
                            old + QStringLiteral("/tarvelon.mdb")));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(old)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(w->List1, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(w->List1, &drop);
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY2(inst.messages.shown[0].text.startsWith(
                     QString::fromUtf8("Reprise de l'ancienne installation")),
                 qPrintable(inst.messages.shown[0].text));
        QVERIFY(inst.storedRows().contains(QString::fromUtf8("Théo|23/04|2015| ")));
        w->Text2->setText(QString::fromUtf8("Théo"));
        w->SSCommand5_Click();
        w->SSCommand3_Click();
        QCOMPARE(shown(*w), QString::fromUtf8("Théo|23/04"));
    }

    // An import waits for the entry being added; an overtype is stored
    // first, as a move would.
    void import_settlesTheEntryFirst()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        echange::installer(
            w.get(), w->Data1->database(), [&w] { w->Actualiser(); },
            [&w] { return w->PreparerImport(); });
        const QString vcf = write(QStringLiteral("un.vcf"),
                                  "BEGIN:VCARD\nVERSION:3.0\nFN:Zoé\nBDAY:--0423\nEND:VCARD\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(vcf)});
        const auto drop = [&] {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(w->List1, &enter);
            QDropEvent d(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(w->List1, &d);
        };
        w->SSCommand1_Click(0); // Ajouter
        w->Text1[0]->setText(QStringLiteral("Nouveau"));
        w->Text1[1]->setText(QStringLiteral("01/01"));
        drop();
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY(inst.messages.shown[0].text.contains(QStringLiteral("en cours d'ajout")));
        QCOMPARE(inst.storedRows().size(), 2);
        QVERIFY(w->Data1->recordset().isAdding());
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Nouveau"));

        w->SSCommand1_Click(4); // Annuler
        w->Text1[0]->setText(QStringLiteral("Georgio"));
        drop();
        QCOMPARE(inst.storedRows().first(), QStringLiteral("Georgio|23/04|0000|M"));
        QCOMPARE(inst.storedRows().last(), QString::fromUtf8("Zoé|23/04|----| "));
    }

    // A long import runs aside under a progress dialog; the window waits.
    void longImport_showsItsProgress()
    {
        const QString lecteur = m_files.filePath(QStringLiteral("lent.sh"));
        QFile f(lecteur);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nsleep 2\nprintf 'TARVELON-ACCESS 1\\nLIGNES\\t0\\nFIN\\t0\\n'\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ancien::lecteurSlot() = QFile::encodeName(lecteur).toStdString();
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        echange::installer(w.get(), w->Data1->database(), [&w] { w->Actualiser(); });
        QMimeData mime;
        mime.setUrls(
            {QUrl::fromLocalFile(QStringLiteral(TARVELON_DONNEES "/mdb/tarvelon-2000.mdb"))});
        bool vue = false;
        QTimer::singleShot(1500, [&] {
            auto* progression = w->findChild<QProgressDialog*>();
            vue = progression && progression->isVisible() &&
                  progression->windowModality() == Qt::WindowModal;
        });
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(w->List1, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(w->List1, &drop);
        ancien::lecteurSlot() = TARVELON_LECTEUR;
        QVERIFY(vue);
        QCOMPARE(inst.messages.shown.size(), size_t(1));
        QVERIFY(inst.messages.shown[0].text.contains(QString::fromUtf8("aucune entrée ajoutée")));
    }

    // The save dialog asks about the very file it gives: typed without its
    // suffix, the chosen kind's is added before the question.
    void exportDialog_asksAboutTheVeryFile()
    {
        QWidget parent;
        write(QStringLiteral("anniv.ics"), "ancien");
        QString question;
        QTimer::singleShot(0, [&] {
            auto* dialogue = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialogue);
            dialogue->setDirectory(m_files.path());
            dialogue->selectFile(QStringLiteral("anniv"));
            QTimer::singleShot(0, [&] {
                auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(boite);
                question = boite->text();
                boite->button(QMessageBox::No)->click();
                QTimer::singleShot(0, dialogue, &QDialog::reject);
            });
            QMetaObject::invokeMethod(dialogue, "accept");
        });
        int filtre = -1;
        const QString choisi = echange::selecteurSlot()(
            &parent, {true, QStringLiteral("Exporter"), {"Agenda (*.ics)", "Contacts (*.vcf)"}},
            &filtre);
        QVERIFY2(question.contains(QStringLiteral("anniv.ics")), qPrintable(question));
        QCOMPARE(choisi, QString());
        QCOMPARE(QFile(m_files.filePath(QStringLiteral("anniv.ics"))).size(), 6);
    }

    void contextMenu_exportsThroughTheDialog()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        echange::installer(w.get(), w->Data1->database(), [&w] { w->Actualiser(); });
        const QString target = m_files.filePath(QStringLiteral("anniversaires"));
        QStringList asked;
        echange::ScopedSelecteur dialog(
            [&](QWidget*, const echange::ChoixFichier& choix, int* filtre) {
                asked = choix.filtres;
                *filtre = 3;                            // "Contacts : anniversaires (*.vcf)"
                return target + QStringLiteral(".vcf"); // the dialog's own suffix
            });
        // The menu is up: take "Exporter…".
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->actions().size(), 2);
            QCOMPARE(menu->actions()[0]->text(), QString::fromUtf8("Importer…"));
            menu->actions()[1]->trigger();
            menu->close();
        });
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(10, 10),
                                  w->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(w.get(), &menuKey);
        QCOMPARE(asked.size(), 5);
        QFile file(target + QStringLiteral(".vcf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\n"
                            "UID:urn:uuid:d3831bae-52e1-59b2-b103-0483909c6ef9\r\n"
                            "FN:Paul\r\nN:;Paul;;;\r\nBDAY:19900512\r\nEND:VCARD\r\n"));
        QVERIFY(inst.messages.shown.back().text.contains(QStringLiteral("1 anniversaire")));
    }
    // The window's menu: each feature's group in the order added, a
    // separator between two groups; none on a box, which keeps its own.
    void contextMenu_groupsInOrder()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QVERIFY(test::showActive(*w));
        echange::installer(w.get(), w->Data1->database(), [&w] { w->Actualiser(); });
        bool pris = false;
        w->ajouterAuMenu({{QStringLiteral("Autre"), [&pris] { pris = true; }}});
        QStringList vu;
        QTimer::singleShot(0, [&vu] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* a : menu->actions())
                vu << (a->isSeparator() ? QStringLiteral("--") : a->text());
            menu->actions().last()->trigger();
            menu->close();
        });
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(10, 10),
                                  w->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(w.get(), &menuKey);
        QCOMPARE(vu, (QStringList{QString::fromUtf8("Importer…"), QString::fromUtf8("Exporter…"),
                                  QStringLiteral("--"), QStringLiteral("Autre")}));
        QVERIFY(pris);
    }

    // What another program wrote shows at once while the user only reads;
    // while an entry is typed over or being added, it waits for the next
    // move and the typed text stays.
    void changeFromOutside_shownUnlessTyping()
    {
        test::Installation inst(calendrier());
        auto w = inst.startWindow();
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        const auto ecrireAilleurs = [&](const char* nom) {
            socle::Database autre;
            QVERIFY(autre.open(QFile::encodeName(inst.dbPath()).toStdString(),
                               socle::OpenMode::ReadWrite));
            QCOMPARE(
                socle::ajouterFiches(autre, {{nom, "23/04", "0000", "F"}}, socle::Doublons::Ajouter)
                    .ajoutees,
                size_t(1));
        };
        ecrireAilleurs("Alix");
        w->Text1[0]->setText(QStringLiteral("Georgette")); // typed over
        w->ActualiserSiLibre();
        QCOMPARE(w->Text1[0]->text(), QStringLiteral("Georgette"));
        QVERIFY(!test::listItems(*w).contains(QStringLiteral("Alix")));
        w->Text1[0]->setText(QStringLiteral("Georges")); // typed back: nothing to store
        w->SSCommand1_Click(0);                          // Ajouter
        w->ActualiserSiLibre();
        QVERIFY(w->Data1->recordset().isAdding());
        w->SSCommand1_Click(4); // Annuler
        w->ActualiserSiLibre();
        QCOMPARE(shown(*w), QStringLiteral("Georges|23/04"));
        QVERIFY2(test::listItems(*w).contains(QStringLiteral("Alix")),
                 qPrintable(test::listItems(*w).join(',')));
    }
};

QTEST_MAIN(TestEchangeFenetre)
#include "test_echange_fenetre.moc"
