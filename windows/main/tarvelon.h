#pragma once

#include "platform/controls.h"
#include "windows/data/datasource.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>
#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace windows {

// The main window Tarvelon, the program's only working window.
//
// Start: main() builds the window and runs Form_Load (installation
// directory, settings and database paths, placement from Top and Left), then
// shows it. The first activation (Form_Activate) opens the name days, shows
// the title card Accueil modally, then stands on today's entry and, when the
// settings say so, switches to the birthday view.
//
// After every move of the record set (navigation, search, a view read
// again) the same chain follows, SuiteDuDeplacement, in this order: MiseAJour
// redraws what derives from the current entry, JourCourant takes the text of
// the date box Text1(1), and CouleurDate marks that day when the settings
// note an event or a sound for it. Start-up runs its steps with its own in
// between; the view switch runs MiseAJour alone; deleting an entry runs none.
//
// The handlers live in one file per group: demarrage.cpp (load, first
// activation), affichage.cpp (MiseAJour), navigation.cpp (SSCommand2),
// edition.cpp (SSCommand1), options.cpp (SSOption1, Label1), recherche.cpp
// (SSCommand3), vues.cpp (SSCommand5), rappels.cpp (EtatJour, CouleurDate,
// RappelEvenement), aujourdhui.cpp (Label2), apropos.cpp (SSCommand4).
class Tarvelon : public QWidget {
    Q_OBJECT
public:
    explicit Tarvelon(QWidget* parent = nullptr);

    // Controls, by their names; arrays by index.
    std::array<platform::Label*, 4> Label1{};
    platform::Label* Label2 = nullptr;
    std::array<QLineEdit*, 3> Text1{};
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QListWidget* List1 = nullptr;
    std::array<platform::SSCommand*, 7> SSCommand1{};
    std::array<platform::SSCommand*, 4> SSCommand2{};
    platform::SSCommand* SSCommand3 = nullptr;
    platform::SSCommand* SSCommand4 = nullptr;
    platform::SSCommand* SSCommand5 = nullptr;
    std::array<platform::SSOption*, 2> SSOption1{};
    platform::SSPanel* SSPanel1 = nullptr;
    platform::SSPanel* SSPanel2 = nullptr;
    platform::SSPanel* SSPanel3 = nullptr;
    platform::SSPanel* SSPanel4 = nullptr;
    DataSource* Data1 = nullptr;

    // True in the name-day view, false in the birthday view.
    bool ModeFetes = true;
    // The day key last handed to the reminder routines.
    QString JourCourant;
    bool PremiereActivation = false;
    // How long the title card stays up, in milliseconds.
    int DelaiAccueil = 10000;

    // Load: false when the database cannot be used (the user was told why).
    bool Form_Load();
    void Form_Activate();

    void SSCommand1_Click(int Index);
    void SSCommand2_Click(int Index);
    void SSCommand3_Click();
    void SSCommand4_Click();
    void SSCommand5_Click();
    void SSOption1_Click(int Index, bool Value);
    void Label1_Click(int Index);
    void Label2_Click();

    // Redraws what derives from the current entry: the names of its day, the
    // day in words, the age line and the Saint/Sainte options.
    void MiseAJour();

    // Reads the view again after the calendar changed outside the window
    // (an import), standing on the same entry.
    void Actualiser();
    // Before an import: what was typed into the shown entry is stored, as a
    // move would; an entry being added must be validated or cancelled first
    // (the user is told). False: the import waits.
    bool PreparerImport();
    // After the calendar changed outside the window (a synchronisation): read
    // again at once, unless the user is typing (an entry being added, or a
    // change typed over the shown entry); the next move shows it then.
    void ActualiserSiLibre();

    // The window's context menu (a right click where no control has a menu
    // of its own, or the menu key): the features around the window add their
    // entries, one group each, a separator between two groups.
    using EntreesDeMenu = std::vector<std::pair<QString, std::function<void()>>>;
    void ajouterAuMenu(EntreesDeMenu groupe);
    // A tick of the context menu, in a last group: its state read when the
    // menu opens, the new one handed over when the user clicks it.
    struct CaseDeMenu {
        QString titre;
        std::function<bool()> cochee;
        std::function<void(bool)> changer;
    };
    void ajouterCaseAuMenu(CaseDeMenu laCase);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int EtatJour(const QString& jour);
    void CouleurDate(const QString& jour);
    void RappelEvenement(const QString& jour);
    void SuiteDuDeplacement();

    void creerControles();
    void relierEvenements();
    void montrerPaireAjout(bool ajout);
    bool recommencerAjout();
    void montrerVue(bool anniversaires);
    // Light red with "Jour noté" for assistive technologies, or black.
    void marquer(platform::Label* legende, bool note);

    QButtonGroup* m_groupeSSCommand1 = nullptr;
    QButtonGroup* m_groupeSSCommand2 = nullptr;
    std::vector<EntreesDeMenu> m_menu;
    std::vector<CaseDeMenu> m_cases;
};

} // namespace windows
