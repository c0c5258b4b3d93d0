#pragma once

#include "synchro/compte.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Synchronisation…": the server's address (or an e-mail address), the user,
// the password (kept in the desktop's keyring); then a search lists the
// account's calendars, to pick one or to create "Fêtes et anniversaires"
// (some servers refuse creation: then only the choice), the reminder of each
// event, and the address books to follow. Before the first import of a book
// it says what will come ("148 anniversaires trouvés dans 412 contacts, dont
// 12 déjà présents") and the user agrees, or the book is not followed. Saved
// on "Enregistrer".
namespace synchro {

class DialogueCompte : public QDialog {
    Q_OBJECT
public:
    DialogueCompte(QWidget* parent, const std::optional<Compte>& compte,
                   const QString& fichierCalendrier);

    // The password typed, when the keyring could not keep it (for this
    // session only).
    std::optional<QString> motDePasseDeSession() const { return m_session; }

    QLineEdit* Adresse;
    QLineEdit* Utilisateur;
    QLineEdit* MotDePasse;
    QCheckBox* Garder;
    QPushButton* Chercher;
    QComboBox* Agenda;
    QComboBox* Rappel;
    QListWidget* Carnets;
    QCheckBox* PublierCarnets;
    QCheckBox* PublierProches;
    QLabel* Etat;
    QPushButton* Enregistrer;

    // Looks the account's calendars and address books up.
    void chercher();
    void accept() override;

private:
    Compte compteSaisi() const;
    // The books newly ticked, each announced; false when one cannot be read.
    bool annoncerCarnets(Compte& compte, const QString& motDePasse);

    std::optional<Compte> m_compte;
    QString m_fichier;
    std::optional<QString> m_session;
    QStringList m_empreintes;
};

} // namespace synchro
