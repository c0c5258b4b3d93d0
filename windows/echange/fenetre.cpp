#include "windows/echange/fenetre.h"

#include "ancien/ancien.h"
#include "echange/echange.h"
#include "module/parametres.h"
#include "platform/messagebox.h"
#include "socle/fichier.h"
#include "socle/raisons.h"
#include "socle/sqlite.h"
#include "windows/main/tarvelon.h"

#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QWidget>

namespace echange {

namespace {

// "ics" of "Agenda : fêtes (*.ics)".
QString suffixeDu(const QString& filtre)
{
    const qsizetype point = filtre.lastIndexOf(QStringLiteral("*."));
    return point < 0 ? QString() : filtre.mid(point + 2).section(QLatin1Char(')'), 0, 0);
}

QString selecteurReel(QWidget* parent, const ChoixFichier& choix, int* filtre)
{
    QFileDialog dialogue(parent, choix.titre,
                         QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    dialogue.setNameFilters(choix.filtres);
    if (choix.enregistrer) {
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        dialogue.setFileMode(QFileDialog::AnyFile);
        // The dialog adds the kind's suffix itself, so that it asks about
        // replacing the very file that will be written.
        dialogue.setDefaultSuffix(suffixeDu(choix.filtres.value(0)));
        QObject::connect(
            &dialogue, &QFileDialog::filterSelected, &dialogue,
            [&dialogue](const QString& f) { dialogue.setDefaultSuffix(suffixeDu(f)); });
    } else {
        dialogue.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return {};
    *filtre = int(std::max<qsizetype>(0, choix.filtres.indexOf(dialogue.selectedNameFilter())));
    QString fichier = dialogue.selectedFiles().first();
    // A dialog of the desktop's own may leave the suffix out: added here,
    // and a file of that name is only replaced after a question about it.
    if (choix.enregistrer && QFileInfo(fichier).suffix().isEmpty()) {
        fichier += QLatin1Char('.') + suffixeDu(choix.filtres.value(*filtre));
        if (QFileInfo::exists(fichier) &&
            platform::msgBox(QStringLiteral("Le fichier %1 existe déjà.").arg(fichier) +
                                 platform::LineBreak + QStringLiteral("Voulez-vous le remplacer ?"),
                             platform::MbYesNoQuestion | platform::MbDefaultButton2,
                             choix.titre) != platform::AnswerYes)
            return {};
    }
    return fichier;
}

// An import, on a connection of its own to the calendar's file, in a thread
// of its own: the window is not frozen, and a progress dialog comes after a
// second. The window takes no input meanwhile (the dialog is modal).
Rapport importerAPart(QWidget* fenetre, const std::string& baseDeDonnees, const QString& fichier,
                      const QString& installation)
{
    Rapport rapport;
    QThread* travail = QThread::create([&] {
        socle::Database base;
        if (!base.open(baseDeDonnees, socle::OpenMode::ReadWrite)) {
            rapport = {
                Rapport::Illisible,
                QStringLiteral("Rien n'a été importé de %1 : la base de données ne peut "
                               "pas être ouverte : %2.")
                    .arg(fichier, QString::fromStdString(socle::raisonSqlite(base.errorCode())))};
            return;
        }
        rapport = ancien::estAncien(fichier) ? ancien::importer(base, fichier, installation)
                                             : echange::importer(base, fichier);
    });
    QProgressDialog progression(QStringLiteral("Import de %1…").arg(QFileInfo(fichier).fileName()),
                                QString(), 0, 0, fenetre);
    progression.setWindowTitle(QStringLiteral("Importer"));
    progression.setWindowModality(Qt::WindowModal);
    progression.setMinimumDuration(1000);
    progression.setAutoReset(false);
    progression.setValue(0);
    QEventLoop attente;
    QObject::connect(travail, &QThread::finished, &attente, &QEventLoop::quit);
    travail->start();
    attente.exec(QEventLoop::ExcludeUserInputEvents);
    travail->wait();
    delete travail;
    return rapport;
}

// The kinds of export, as the save dialog offers them.
struct Export {
    const char* filtre;
    socle::Selection selection;
};
const Export Exports[] = {
    {"Agenda : anniversaires et fêtes (*.ics)", socle::Selection::Tout},
    {"Agenda : anniversaires (*.ics)", socle::Selection::Anniversaires},
    {"Agenda : fêtes (*.ics)", socle::Selection::Fetes},
    {"Contacts : anniversaires (*.vcf)", socle::Selection::Anniversaires},
    {"Tableur : tout le calendrier (*.csv)", socle::Selection::Tout},
};

QStringList fichiersLocaux(const QMimeData* donnees)
{
    QStringList fichiers;
    if (donnees && donnees->hasUrls())
        for (const QUrl& url : donnees->urls())
            if (url.isLocalFile())
                fichiers << url.toLocalFile();
    return fichiers;
}

class Echange : public QObject {
public:
    Echange(QWidget* fenetre, socle::Database& base, std::function<void()> apresImport,
            std::function<bool()> avantImport)
        : QObject(fenetre)
        , m_fenetre(fenetre)
        , m_base(base)
        , m_apresImport(std::move(apresImport))
        , m_avantImport(std::move(avantImport))
    {
        fenetre->setAcceptDrops(true);
        // The boxes would take a dropped file's name as text: the window takes
        // the file, wherever it falls.
        fenetre->installEventFilter(this);
        for (QWidget* enfant : fenetre->findChildren<QWidget*>())
            enfant->installEventFilter(this);
    }

    void importer(const QStringList& fichiers)
    {
        // The entry being edited is settled first, as a move would.
        if (m_avantImport && !m_avantImport())
            return;
        QStringList rapports;
        bool ajoute = false;
        for (const QString& fichier : fichiers) {
            const Rapport rapport =
                importerAPart(m_fenetre, m_base.path(), fichier, module::CheminInstallation);
            rapports << rapport.texte;
            ajoute = ajoute || rapport.issue == Rapport::Reussi;
        }
        platform::msgBox(rapports.join(QLatin1Char('\n')), platform::MbInformation,
                         QStringLiteral("Importer"));
        if (ajoute && m_apresImport)
            m_apresImport();
    }

    void choisirImport()
    {
        int filtre = 0;
        const QString fichier = selecteurSlot()(
            m_fenetre,
            {false,
             QStringLiteral("Importer des anniversaires"),
             {QStringLiteral("Contacts, tableurs et bases Access (*.vcf *.csv *.mdb *.accdb)"),
              QStringLiteral("Contacts (*.vcf)"), QStringLiteral("Tableur (*.csv)"),
              QStringLiteral("Ancien Tarvelon (*.mdb *.accdb)")}},
            &filtre);
        if (!fichier.isEmpty())
            importer({fichier});
    }

    void choisirExport()
    {
        QStringList filtres;
        for (const Export& e : Exports)
            filtres << QString::fromUtf8(e.filtre);
        int filtre = 0;
        const QString fichier = selecteurSlot()(
            m_fenetre, {true, QStringLiteral("Exporter le calendrier"), filtres}, &filtre);
        if (fichier.isEmpty())
            return;
        // The very file chosen is written, of the kind its own suffix says
        // (the dialog gave it the chosen kind's when it had none).
        const Export& e = Exports[std::clamp(filtre, 0, int(std::size(Exports)) - 1)];
        const Rapport rapport = exporter(m_base, fichier, e.selection);
        platform::msgBox(rapport.texte, platform::MbInformation, QStringLiteral("Exporter"));
    }

protected:
    bool eventFilter(QObject* /*objet*/, QEvent* evenement) override
    {
        switch (evenement->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* glisse = static_cast<QDragMoveEvent*>(evenement);
            if (fichiersLocaux(glisse->mimeData()).isEmpty())
                return false;
            glisse->setDropAction(Qt::CopyAction);
            glisse->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* depot = static_cast<QDropEvent*>(evenement);
            const QStringList fichiers = fichiersLocaux(depot->mimeData());
            if (fichiers.isEmpty())
                return false;
            depot->setDropAction(Qt::CopyAction);
            depot->accept();
            importer(fichiers);
            return true;
        }
        default:
            return false;
        }
    }

private:
    QWidget* m_fenetre;
    socle::Database& m_base;
    std::function<void()> m_apresImport;
    std::function<bool()> m_avantImport;
};

} // namespace

Selecteur& selecteurSlot()
{
    static Selecteur selecteur = selecteurReel;
    return selecteur;
}

void installer(windows::Tarvelon* fenetre, socle::Database& base, std::function<void()> apresImport,
               std::function<bool()> avantImport)
{
    auto* echange = new Echange(fenetre, base, std::move(apresImport), std::move(avantImport));
    fenetre->ajouterAuMenu(
        {{QStringLiteral("Importer…"), [echange] { echange->choisirImport(); }},
         {QStringLiteral("Exporter…"), [echange] { echange->choisirExport(); }}});
}

std::optional<QString> proposerAncienneInstallation(const QString& baseDeDonnees)
{
    if (socle::natureDe(QFile::encodeName(baseDeDonnees).toStdString()) != socle::Nature::Absent)
        return std::nullopt;
    const std::optional<QString> dossier = ancien::installationWine();
    if (!dossier)
        return std::nullopt;
    const int reponse = platform::msgBox(
        QStringLiteral("Tarvelon a trouvé une ancienne installation de Tarvelon dans %1.")
                .arg(*dossier) +
            platform::LineBreak +
            QStringLiteral("Voulez-vous reprendre ses fêtes et anniversaires, ses réglages et "
                           "ses sons ?") +
            platform::LineBreak +
            QStringLiteral("(Non : Tarvelon commence avec son calendrier des fêtes, et ne le "
                           "demandera plus.)"),
        platform::MbYesNoQuestion, QStringLiteral("Ancienne installation"));
    if (reponse != platform::AnswerYes)
        return std::nullopt;
    return dossier;
}

void reprendreAncienneInstallation(socle::Database& base, const QString& dossier)
{
    const Rapport rapport = ancien::importer(base, dossier, module::CheminInstallation);
    platform::msgBox(rapport.texte, platform::MbInformation,
                     QStringLiteral("Ancienne installation"));
}

} // namespace echange
