#pragma once

#include "socle/fetes.h"
#include "socle/proches.h"

#include <QDialog>
#include <unordered_map>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
namespace windows {
class Tarvelon;
}

// "Vos proches…": the people behind the names in a list (name, name day,
// birthday, where from, wished or not), searched by any part of a name or a
// day; for the person selected, its name day chosen among the days its
// given names have in the calendar, or typed (dd/mm), and a tick to leave it
// out. Each choice is stored at once, on a connection of the dialog's own;
// the main window stays as it is.
namespace proches {

class DialogueProches : public QDialog {
    Q_OBJECT
public:
    DialogueProches(QWidget* parent, const QString& fichierCalendrier);

    QLineEdit* Recherche;
    QTableWidget* Liste;
    QComboBox* Jour;
    QCheckBox* Souhaiter;
    QLabel* Etat;
    QPushButton* Fermer;

    // The people shown by the search (their indexes in the list's order).
    void rechercher(const QString& texte);
    // The day chosen for the person selected: "dd/mm", or empty for the
    // proposed one again.
    bool choisirJour(const QString& jour);
    void choisirSouhaiter(bool souhaiter);

private:
    void lire();
    void montrer(int ligne);
    void selectionner();
    bool enregistrer(socle::Proche proche);
    socle::Proche* selection();
    QString anniversaire(const socle::Proche& p) const;

    socle::Database m_base;
    std::vector<socle::FicheStockee> m_table;
    std::unordered_map<std::int64_t, QString> m_anniversaires; // by rowid, as shown
    std::vector<socle::Proche> m_proches;
};

// "Vos proches…" in the window's context menu.
void installer(windows::Tarvelon* fenetre);

} // namespace proches
