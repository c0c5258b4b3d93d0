#pragma once

#include "synchro/rapprochement/rapprochement.h"

#include <QJsonObject>
#include <QString>
#include <chrono>

// The state files of the synchronisation ($XDG_STATE_HOME/tarvelon/): what
// Tarvelon last wrote to the calendar, what it knows of each address book.
// One way to read them and one to write them.
namespace synchro {

// The file's JSON object; empty when it is missing or cannot be read.
QJsonObject lireFichierEtat(const QString& chemin);
// Written aside and renamed (never half-written), readable by the user alone;
// through a link to a regular file (the link stays), never into anything
// else (false).
bool ecrireFichierEtat(const QString& chemin, const QJsonObject& etat);

// A journal beside a state file: one JSON object a line, appended (the
// file as careful as the state's); read back in order, a torn last line
// left out. The state written whole again, the journal is removed.
bool ajouterAuJournal(const QString& chemin, const QJsonObject& ligne);
std::vector<QJsonObject> lireJournal(const QString& chemin);

// The one run at a time on the calendar and the state files, across
// programs (the window, the terminal, the timer): an advisory lock on a file
// of the state's folder, let go with its holder (even killed). Taken within
// `attente`, or not at all (pris() false, raison() says why).
class VerrouDeSynchronisation {
public:
    explicit VerrouDeSynchronisation(std::chrono::milliseconds attente);
    ~VerrouDeSynchronisation();
    VerrouDeSynchronisation(const VerrouDeSynchronisation&) = delete;
    VerrouDeSynchronisation& operator=(const VerrouDeSynchronisation&) = delete;

    bool pris() const { return m_fd >= 0; }
    QString raison() const { return m_raison; }

private:
    int m_fd = -1;
    QString m_raison;
};

// The address books' state: by the book's URL.
using EtatCarnets = std::map<QString, rapprochement::EtatCarnet>;
EtatCarnets lireEtatCarnets();
bool ecrireEtatCarnets(const EtatCarnets& etat);
// One book's state as those files hold it (the shared calendar's too).
rapprochement::EtatCarnet carnetDeJson(const QJsonObject& o);
QJsonObject carnetEnJson(const rapprochement::EtatCarnet& carnet);

} // namespace synchro
