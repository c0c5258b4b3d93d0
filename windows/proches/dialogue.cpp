#include "windows/proches/dialogue.h"

#include "proches/appariement.h"
#include "proches/proches.h"
#include "socle/jours.h"
#include "socle/raisons.h"
#include "windows/main/tarvelon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace proches {

namespace {

QString texte(const std::string& s)
{
    return QString::fromStdString(s);
}

QString provenance(const std::string& source)
{
    if (source == socle::SourceCalendrier)
        return QStringLiteral("calendrier");
    if (source.rfind("fichier:", 0) == 0)
        return texte(source.substr(8));
    if (source.rfind("carnet:", 0) == 0)
        return QStringLiteral("carnet d'adresses");
    return texte(source);
}

QString fete(const socle::Proche& p)
{
    if (p.jour.empty())
        return {};
    QString t = texte(p.jour);
    if (!p.fete.empty())
        t += QStringLiteral(" (%1)").arg(texte(p.fete));
    return p.jourChoisi ? t + QStringLiteral(", choisi") : t;
}

enum Colonne { ColNom, ColFete, ColAnniversaire, ColProvenance, ColSouhaiter, NombreDeColonnes };

} // namespace

DialogueProches::DialogueProches(QWidget* parent, const QString& fichierCalendrier)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DialogueProches"));
    setWindowTitle(QStringLiteral("Vos proches"));
    setAccessibleName(QStringLiteral("Vos proches"));
    resize(640, 420);

    Recherche = new QLineEdit(this);
    Recherche->setObjectName(QStringLiteral("Recherche"));
    Recherche->setAccessibleName(QStringLiteral("Rechercher un nom ou un jour"));
    Recherche->setPlaceholderText(QStringLiteral("Rechercher un nom ou un jour (jj/mm)"));
    Liste = new QTableWidget(0, NombreDeColonnes, this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setAccessibleName(QStringLiteral("Vos proches"));
    Liste->setHorizontalHeaderLabels({QStringLiteral("Nom"), QStringLiteral("Fête"),
                                      QStringLiteral("Anniversaire"), QStringLiteral("Provenance"),
                                      QStringLiteral("À souhaiter")});
    Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste->setSelectionMode(QAbstractItemView::SingleSelection);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->verticalHeader()->hide();
    Liste->horizontalHeader()->setStretchLastSection(true);
    auto* libelle = new QLabel(QStringLiteral("Jour de fête :"), this);
    Jour = new QComboBox(this);
    Jour->setObjectName(QStringLiteral("Jour"));
    Jour->setAccessibleName(QStringLiteral("Jour de fête"));
    Jour->setEditable(true);
    Jour->setInsertPolicy(QComboBox::NoInsert);
    libelle->setBuddy(Jour);
    Souhaiter = new QCheckBox(QStringLiteral("À souhaiter"), this);
    Souhaiter->setObjectName(QStringLiteral("Souhaiter"));
    Etat = new QLabel(this);
    Etat->setObjectName(QStringLiteral("Etat"));
    Etat->setTextFormat(Qt::PlainText);
    Etat->setWordWrap(true);
    Fermer = new QPushButton(QStringLiteral("Fermer"), this);
    Fermer->setObjectName(QStringLiteral("Fermer"));

    auto* choix = new QHBoxLayout;
    choix->addWidget(libelle);
    choix->addWidget(Jour, 1);
    choix->addWidget(Souhaiter);
    auto* bas = new QHBoxLayout;
    bas->addWidget(Etat, 1);
    bas->addWidget(Fermer);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(Recherche);
    tout->addWidget(Liste, 1);
    tout->addLayout(choix);
    tout->addLayout(bas);

    connect(Recherche, &QLineEdit::textChanged, this, &DialogueProches::rechercher);
    connect(Liste, &QTableWidget::itemSelectionChanged, this, &DialogueProches::selectionner);
    connect(Jour, &QComboBox::activated, this,
            [this](int i) { choisirJour(Jour->itemData(i).toString()); });
    connect(Jour->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        const int i = Jour->findText(Jour->currentText());
        choisirJour(i >= 0 ? Jour->itemData(i).toString() : Jour->currentText().trimmed());
    });
    connect(Souhaiter, &QCheckBox::clicked, this, &DialogueProches::choisirSouhaiter);
    connect(Fermer, &QPushButton::clicked, this, &QDialog::accept);

    // The birthdays typed since are people too; then the list.
    if (!m_base.open(QFile::encodeName(fichierCalendrier).toStdString(),
                     socle::OpenMode::ReadWrite)) {
        Etat->setText(QStringLiteral("Le calendrier %1 ne peut pas être ouvert : %2.")
                          .arg(fichierCalendrier, texte(socle::raisonSqlite(m_base.errorCode()))));
        return;
    }
    if (const int code = suivreLeCalendrier(m_base); code != socle::SqliteOk)
        Etat->setText(QStringLiteral("Les proches n'ont pas pu être mis à jour : %1.")
                          .arg(texte(socle::raisonSqlite(code))));
    lire();
}

void DialogueProches::lire()
{
    m_table.clear();
    m_proches.clear();
    int code = socle::lireFiches(m_base, m_table);
    if (code == socle::SqliteOk)
        code = socle::lireProches(m_base, m_proches);
    if (code != socle::SqliteOk)
        Etat->setText(QStringLiteral("Les proches ne peuvent pas être lus : %1.")
                          .arg(texte(socle::raisonSqlite(code))));
    m_anniversaires.clear();
    for (const socle::FicheStockee& f : m_table)
        if (!f.fiche.estFete())
            m_anniversaires.emplace(f.rowid, texte(socle::anneeDeNaissance(f.fiche.annee)
                                                       ? f.fiche.date + '/' + f.fiche.annee
                                                       : f.fiche.date));
    Liste->setRowCount(int(m_proches.size()));
    for (int i = 0; i < int(m_proches.size()); ++i)
        montrer(i);
    Liste->resizeColumnsToContents();
    Jour->setEnabled(false);
    Souhaiter->setEnabled(false);
    rechercher(Recherche->text());
}

QString DialogueProches::anniversaire(const socle::Proche& p) const
{
    const auto it = m_anniversaires.find(p.fiche);
    return it == m_anniversaires.end() ? QString() : it->second;
}

void DialogueProches::montrer(int ligne)
{
    const socle::Proche& p = m_proches[size_t(ligne)];
    const QString cellules[NombreDeColonnes] = {
        texte(p.nom), fete(p), anniversaire(p), provenance(p.source),
        p.souhaiter ? QStringLiteral("oui") : QStringLiteral("non")};
    for (int c = 0; c < NombreDeColonnes; ++c) {
        auto* item = new QTableWidgetItem(cellules[c]);
        Liste->setItem(ligne, c, item);
    }
}

void DialogueProches::rechercher(const QString& cherche)
{
    const std::string plie = plier(cherche.trimmed().toStdString());
    for (int i = 0; i < int(m_proches.size()); ++i) {
        const socle::Proche& p = m_proches[size_t(i)];
        const bool montre = plie.empty() || plier(p.nom).find(plie) != std::string::npos ||
                            p.jour == cherche.trimmed().toStdString() ||
                            anniversaire(p).startsWith(cherche.trimmed());
        Liste->setRowHidden(i, !montre);
    }
}

socle::Proche* DialogueProches::selection()
{
    const QList<QTableWidgetSelectionRange> s = Liste->selectedRanges();
    if (s.isEmpty() || s.first().topRow() >= int(m_proches.size()))
        return nullptr;
    return &m_proches[size_t(s.first().topRow())];
}

void DialogueProches::selectionner()
{
    const socle::Proche* p = selection();
    Jour->setEnabled(p != nullptr);
    Souhaiter->setEnabled(p != nullptr);
    Jour->clear();
    if (!p)
        return;
    // The proposed day first (back to it: the user's choice dropped), then
    // every day the given names have in the calendar.
    const std::vector<Candidat> c = candidats(NomsDuCalendrier(m_table), p->prenoms);
    Jour->addItem(
        c.empty()
            ? QStringLiteral("Aucun jour proposé")
            : QStringLiteral("Proposé : %1 (%2)").arg(texte(c.front().jour), texte(c.front().fete)),
        QString());
    for (const Candidat& j : c)
        Jour->addItem(QStringLiteral("%1 (%2)").arg(texte(j.jour), texte(j.fete)), texte(j.jour));
    const int choisi = p->jourChoisi ? Jour->findData(texte(p->jour)) : 0;
    if (choisi >= 0)
        Jour->setCurrentIndex(choisi);
    else
        Jour->setEditText(texte(p->jour));
    Souhaiter->setChecked(p->souhaiter);
}

bool DialogueProches::enregistrer(socle::Proche proche)
{
    if (const int code = socle::ecrireProche(m_base, proche); code != socle::SqliteOk) {
        Etat->setText(QStringLiteral("Le choix pour %1 n'a pas pu être enregistré : %2.")
                          .arg(texte(proche.nom), texte(socle::raisonSqlite(code))));
        return false;
    }
    socle::Proche* p = selection();
    const int ligne = Liste->selectedRanges().first().topRow();
    *p = std::move(proche);
    montrer(ligne);
    Etat->clear();
    return true;
}

bool DialogueProches::choisirJour(const QString& jour)
{
    const socle::Proche* p = selection();
    if (!p)
        return false;
    socle::Proche voulu = *p;
    if (!choisir(voulu, jour.toStdString(), voulu.souhaiter, m_table)) {
        Etat->setText(
            QStringLiteral("« %1 » n'est pas un jour : écrivez-le jj/mm (23/04).").arg(jour));
        return false;
    }
    return enregistrer(std::move(voulu));
}

void DialogueProches::choisirSouhaiter(bool souhaiter)
{
    const socle::Proche* p = selection();
    if (!p)
        return;
    socle::Proche voulu = *p;
    voulu.souhaiter = souhaiter;
    if (!enregistrer(std::move(voulu)))
        Souhaiter->setChecked(!souhaiter);
}

void installer(windows::Tarvelon* fenetre)
{
    fenetre->ajouterAuMenu({{QStringLiteral("Vos proches…"), [fenetre] {
                                 DialogueProches dialogue(fenetre, fenetre->Data1->databaseName());
                                 dialogue.exec();
                             }}});
}

} // namespace proches
