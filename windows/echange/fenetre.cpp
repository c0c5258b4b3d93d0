#include "windows/echange/fenetre.h"

#include "ancien/ancien.h"
#include "echange/echange.h"
#include "module/parametres.h"
#include "platform/messagebox.h"
#include "socle/fichier.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

namespace echange {

namespace {

QString selecteurReel(QWidget* parent, const ChoixFichier& choix, int* filtre)
{
    const QString dossier = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    QString choisi = choix.filtres.value(0);
    const QString tous = choix.filtres.join(QStringLiteral(";;"));
    const QString fichier =
        choix.enregistrer
            ? QFileDialog::getSaveFileName(parent, choix.titre, dossier, tous, &choisi)
            : QFileDialog::getOpenFileName(parent, choix.titre, dossier, tous, &choisi);
    *filtre = int(std::max<qsizetype>(0, choix.filtres.indexOf(choisi)));
    return fichier;
}

// The kinds of export, as the save dialog offers them.
struct Export {
    const char* filtre;
    const char* suffixe;
    socle::Selection selection;
};
const Export Exports[] = {
    {"Agenda : anniversaires et fêtes (*.ics)", "ics", socle::Selection::Tout},
    {"Agenda : anniversaires (*.ics)", "ics", socle::Selection::Anniversaires},
    {"Agenda : fêtes (*.ics)", "ics", socle::Selection::Fetes},
    {"Contacts : anniversaires (*.vcf)", "vcf", socle::Selection::Anniversaires},
    {"Tableur : tout le calendrier (*.csv)", "csv", socle::Selection::Tout},
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
    Echange(QWidget* fenetre, socle::Database& base, std::function<void()> apresImport)
        : QObject(fenetre), m_fenetre(fenetre), m_base(base), m_apresImport(std::move(apresImport))
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
        QStringList rapports;
        bool ajoute = false;
        for (const QString& fichier : fichiers) {
            const Rapport rapport =
                ancien::estAncien(fichier)
                    ? ancien::importer(m_base, fichier, module::CheminInstallation)
                    : echange::importer(m_base, fichier);
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
        QString fichier = selecteurSlot()(
            m_fenetre, {true, QStringLiteral("Exporter le calendrier"), filtres}, &filtre);
        if (fichier.isEmpty())
            return;
        const Export& e = Exports[std::clamp(filtre, 0, int(std::size(Exports)) - 1)];
        if (QFileInfo(fichier).suffix().toLower() != QLatin1String(e.suffixe))
            fichier += QLatin1Char('.') + QLatin1String(e.suffixe);
        const Rapport rapport = exporter(m_base, fichier, e.selection);
        platform::msgBox(rapport.texte, platform::MbInformation, QStringLiteral("Exporter"));
    }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
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
        case QEvent::ContextMenu: {
            // Only once no control has taken it (the boxes keep their own menu).
            if (objet != m_fenetre)
                return false;
            QMenu menu(m_fenetre);
            connect(menu.addAction(QStringLiteral("Importer…")), &QAction::triggered, this,
                    [this] { choisirImport(); });
            connect(menu.addAction(QStringLiteral("Exporter…")), &QAction::triggered, this,
                    [this] { choisirExport(); });
            menu.exec(static_cast<QContextMenuEvent*>(evenement)->globalPos());
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
};

} // namespace

Selecteur& selecteurSlot()
{
    static Selecteur selecteur = selecteurReel;
    return selecteur;
}

void installer(QWidget* fenetre, socle::Database& base, std::function<void()> apresImport)
{
    new Echange(fenetre, base, std::move(apresImport));
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
