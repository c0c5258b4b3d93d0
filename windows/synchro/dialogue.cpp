#include "windows/synchro/dialogue.h"

#include "echange/echange.h"
#include "platform/messagebox.h"
#include "socle/sqlite.h"
#include "store/calendrier.h"
#include "synchro/carnets.h"
#include "synchro/installation.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace synchro {

namespace {

const QString NomParDefaut = QStringLiteral("Fêtes et anniversaires");
constexpr int RoleUrl = Qt::UserRole;
constexpr int RoleCreer = Qt::UserRole + 1;

template <typename T> T* nomme(T* objet, const char* nom)
{
    objet->setObjectName(QString::fromLatin1(nom));
    return objet;
}

} // namespace

DialogueCompte::DialogueCompte(QWidget* parent, const std::optional<Compte>& compte,
                               const QString& fichierCalendrier)
    : QDialog(parent), m_compte(compte), m_fichier(fichierCalendrier)
{
    setWindowTitle(QStringLiteral("Synchronisation"));
    auto* formulaire = new QFormLayout;
    Adresse = nomme(new QLineEdit(this), "Adresse");
    Adresse->setPlaceholderText(QStringLiteral("https://cloud.exemple.fr, ou vous@exemple.fr"));
    Utilisateur = nomme(new QLineEdit(this), "Utilisateur");
    MotDePasse = nomme(new QLineEdit(this), "MotDePasse");
    MotDePasse->setEchoMode(QLineEdit::Password);
    Garder = nomme(
        new QCheckBox(QStringLiteral("Garder le mot de passe dans le trousseau du bureau"), this),
        "Garder");
    Garder->setChecked(true);
    Chercher = nomme(new QPushButton(QStringLiteral("Chercher les agendas"), this), "Chercher");
    Agenda = nomme(new QComboBox(this), "Agenda");
    Rappel = nomme(new QComboBox(this), "Rappel");
    Rappel->addItems({QStringLiteral("Aucun"), QStringLiteral("La veille à 18 h"),
                      QStringLiteral("Le jour même à 9 h")});
    Carnets = nomme(new QListWidget(this), "Carnets");
    PublierCarnets = nomme(
        new QCheckBox(QStringLiteral("Publier aussi dans l'agenda les anniversaires des carnets"),
                      this),
        "PublierCarnets");
    PublierProches =
        nomme(new QCheckBox(QStringLiteral("Nommer vos proches dans les fêtes de l'agenda"), this),
              "PublierProches");
    PublierProches->setChecked(true);
    Etat = nomme(new QLabel(this), "Etat");
    Etat->setTextFormat(Qt::PlainText);
    Etat->setWordWrap(true);
    formulaire->addRow(QStringLiteral("Serveur :"), Adresse);
    formulaire->addRow(QStringLiteral("Utilisateur :"), Utilisateur);
    formulaire->addRow(QStringLiteral("Mot de passe :"), MotDePasse);
    formulaire->addRow(QString(), Garder);
    formulaire->addRow(QString(), Chercher);
    formulaire->addRow(QStringLiteral("Agenda :"), Agenda);
    formulaire->addRow(QStringLiteral("Rappel de chaque événement :"), Rappel);
    formulaire->addRow(QStringLiteral("Carnets d'adresses à suivre :"), Carnets);
    formulaire->addRow(QString(), PublierCarnets);
    formulaire->addRow(QString(), PublierProches);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    Enregistrer =
        nomme(boutons->addButton(QStringLiteral("Enregistrer"), QDialogButtonBox::AcceptRole),
              "Enregistrer");
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(formulaire);
    tout->addWidget(Etat);
    tout->addWidget(boutons);
    connect(boutons, &QDialogButtonBox::accepted, this, &DialogueCompte::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Chercher, &QPushButton::clicked, this, &DialogueCompte::chercher);

    if (compte) {
        Adresse->setText(compte->adresse);
        Utilisateur->setText(compte->utilisateur);
        m_empreintes = compte->empreintes;
        Rappel->setCurrentIndex(int(compte->rappel));
        PublierCarnets->setChecked(compte->publierCarnets);
        PublierProches->setChecked(compte->prochesPublies);
        if (!compte->agenda.isEmpty()) {
            Agenda->addItem(compte->nomAgenda, compte->agenda);
        }
        for (qsizetype i = 0; i < compte->carnets.size(); ++i) {
            auto* item = new QListWidgetItem(compte->nomsCarnets.value(i), Carnets);
            item->setData(RoleUrl, compte->carnets[i]);
            item->setCheckState(Qt::Checked);
        }
    }
}

Compte DialogueCompte::compteSaisi() const
{
    Compte c = m_compte.value_or(Compte{});
    c.adresse = Adresse->text().trimmed();
    c.utilisateur = Utilisateur->text().trimmed();
    c.empreintes = m_empreintes;
    c.rappel = synchro::Rappel(std::clamp(Rappel->currentIndex(), 0, 2));
    c.publierCarnets = PublierCarnets->isChecked();
    c.prochesPublies = PublierProches->isChecked();
    c.carnets.clear();
    c.nomsCarnets.clear();
    for (int i = 0; i < Carnets->count(); ++i)
        if (Carnets->item(i)->checkState() == Qt::Checked) {
            c.carnets << Carnets->item(i)->data(RoleUrl).toUrl();
            c.nomsCarnets << Carnets->item(i)->text();
        }
    if (!Agenda->currentData(RoleCreer).toBool() && Agenda->currentIndex() >= 0) {
        c.agenda = Agenda->currentData(RoleUrl).toUrl();
        c.nomAgenda = Agenda->currentText();
    }
    return c;
}

void DialogueCompte::chercher()
{
    Compte compte = compteSaisi();
    QString mdp = MotDePasse->text();
    if (mdp.isEmpty() && m_compte)
        mdp = lireMotDePasse(compte).valeur.value_or(QString());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    for (int essai = 0; essai < 2; ++essai) {
        const Offre offre = chercherOffre(compte, mdp);
        if (!offre.erreur.isEmpty()) {
            // A certificate the system does not know: accepted by its
            // fingerprint, once the user says so.
            if (essai == 0 && !offre.empreinteRefusee.isEmpty()) {
                QGuiApplication::restoreOverrideCursor();
                const bool confiance =
                    platform::msgBox(offre.erreur + QLatin1Char('.') + platform::LineBreak +
                                         QStringLiteral("Faites-vous confiance à ce certificat ?"),
                                     platform::MbYesNoQuestion | platform::MbDefaultButton2,
                                     QStringLiteral("Synchronisation")) == platform::AnswerYes;
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
                if (confiance) {
                    m_empreintes << offre.empreinteRefusee;
                    compte.empreintes = m_empreintes;
                    continue;
                }
            }
            Etat->setText(QStringLiteral("Le compte n'a pas pu être trouvé : ") + offre.erreur +
                          QLatin1Char('.'));
            break;
        }
        Agenda->clear();
        for (const Collection& c : offre.agendas)
            Agenda->addItem(c.nom, c.url);
        Agenda->addItem(QStringLiteral("Créer « %1 »").arg(NomParDefaut), offre.maisonAgendas);
        Agenda->setItemData(Agenda->count() - 1, true, RoleCreer);
        const int choisi = m_compte ? Agenda->findData(m_compte->agenda, RoleUrl) : -1;
        Agenda->setCurrentIndex(choisi >= 0 ? choisi
                                : Agenda->findText(NomParDefaut) >= 0
                                    ? Agenda->findText(NomParDefaut)
                                    : Agenda->count() - 1);
        // The address books of the same account.
        Carnets->clear();
        for (const Collection& c : offre.carnets) {
            auto* item = new QListWidgetItem(c.nom, Carnets);
            item->setData(RoleUrl, c.url);
            item->setCheckState(m_compte && m_compte->carnets.contains(c.url) ? Qt::Checked
                                                                              : Qt::Unchecked);
        }
        Etat->setText(
            offre.erreurAgendas.isEmpty()
                ? QStringLiteral("%1 et %2 trouvés.")
                      .arg(echange::compte(Agenda->count() - 1, QStringLiteral("agenda"),
                                           QStringLiteral("agendas")),
                           echange::compte(Carnets->count(), QStringLiteral("carnet d'adresses"),
                                           QStringLiteral("carnets d'adresses")))
                : offre.erreurAgendas);
        break;
    }
    QGuiApplication::restoreOverrideCursor();
}

bool DialogueCompte::annoncerCarnets(Compte& compte, const QString& motDePasse)
{
    Compte choisi = compte;
    choisi.carnets.clear();
    choisi.nomsCarnets.clear();
    std::optional<socle::Database> base;
    for (qsizetype i = 0; i < compte.carnets.size(); ++i) {
        const QUrl& url = compte.carnets[i];
        const QString& nom = compte.nomsCarnets[i];
        if (!m_compte || !m_compte->carnets.contains(url)) {
            if (!base) {
                base.emplace();
                QString message;
                if (!store::openCalendar(*base, m_fichier, &message)) {
                    Etat->setText(message);
                    return false;
                }
            }
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            const Apercu a = apercuDuCarnet(compte, motDePasse, url, *base);
            QGuiApplication::restoreOverrideCursor();
            if (!a.erreur.isEmpty()) {
                Etat->setText(
                    QStringLiteral("Le carnet « %1 » n'a pas pu être lu : %2.").arg(nom, a.erreur));
                return false;
            }
            if (platform::msgBox(QStringLiteral("Carnet « %1 » : %2.").arg(nom, a.texte()) +
                                     platform::LineBreak +
                                     QStringLiteral("Les ajouter au calendrier, et les tenir à "
                                                    "jour ?"),
                                 platform::MbYesNoQuestion,
                                 QStringLiteral("Synchronisation")) != platform::AnswerYes)
                continue; // not followed
        }
        choisi.carnets << url;
        choisi.nomsCarnets << nom;
    }
    compte = choisi;
    return true;
}

void DialogueCompte::accept()
{
    Compte compte = compteSaisi();
    if (compte.adresse.isEmpty() || compte.utilisateur.isEmpty()) {
        Etat->setText(QStringLiteral("Il faut l'adresse du serveur et le nom d'utilisateur."));
        return;
    }
    if (Agenda->count() == 0) {
        Etat->setText(QStringLiteral("Cherchez d'abord les agendas du compte."));
        return;
    }
    QString mdp = MotDePasse->text();
    if (mdp.isEmpty() && m_compte)
        mdp = lireMotDePasse(compte).valeur.value_or(QString());
    if (Agenda->currentData(RoleCreer).toBool()) {
        const AgendaCree creation =
            creerAgenda(compte, mdp, Agenda->currentData(RoleUrl).toUrl(), NomParDefaut);
        if (!creation.erreur.isEmpty()) {
            Etat->setText(QStringLiteral("Le serveur refuse de créer l'agenda (%1) : choisissez "
                                         "un des agendas du compte.")
                              .arg(creation.erreur));
            return;
        }
        compte.agenda = creation.url;
        compte.nomAgenda = NomParDefaut;
        // Made once: chosen from now on, whatever comes next.
        Agenda->setItemText(Agenda->currentIndex(), NomParDefaut);
        Agenda->setItemData(Agenda->currentIndex(), creation.url, RoleUrl);
        Agenda->setItemData(Agenda->currentIndex(), false, RoleCreer);
    }
    if (!annoncerCarnets(compte, mdp))
        return;
    QString erreur;
    if (!ecrireCompte(compte, &erreur)) {
        Etat->setText(erreur + QLatin1Char('.'));
        return;
    }
    if (!MotDePasse->text().isEmpty()) {
        if (!Garder->isChecked() || !garderMotDePasse(compte, MotDePasse->text(), &erreur)) {
            m_session = MotDePasse->text();
            if (Garder->isChecked())
                platform::msgBox(erreur + QStringLiteral(" : il sera demandé une fois par "
                                                         "session."),
                                 platform::MbInformation, QStringLiteral("Synchronisation"));
        }
    }
    QDialog::accept();
}

} // namespace synchro
