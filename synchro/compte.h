#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// The user's account on a calendar and address-book server, as Tarvelon
// keeps it: in a file of its own ($XDG_CONFIG_HOME/tarvelon/compte.ini),
// written by Tarvelon, never the password (the desktop's keyring, or the
// output of a command the user names).
namespace synchro {

enum class Rappel { Aucun, Veille, Jour }; // none; the evening before at 18:00; the day at 9:00

struct Compte {
    QString adresse; // as the user gave it: a URL, a server's name, an e-mail address
    QString utilisateur;
    QUrl agenda; // the calendar Tarvelon publishes to
    QString nomAgenda;
    QString commandeMotDePasse; // run by the shell; its first line is the password
    QStringList empreintes;     // certificates the user accepted (SHA-256)
    Rappel rappel = Rappel::Aucun;
    QList<QUrl> carnets;         // address books followed
    QStringList nomsCarnets;     // their names, for the reports
    bool publierCarnets = false; // their birthdays published to the calendar too
    bool prochesPublies = true;  // each day's name-day event names the user's people
    // The calendar holds another installation's events (the user's other
    // computer): whether the user said to take them in and share the
    // calendar with it. Not asked yet: none. Said for one calendar only.
    std::optional<bool> partage;

    // The origin the credentials go to.
    QUrl origine() const;
};

// The files: the account, and the state of each run ($XDG_STATE_HOME/tarvelon/).
QString fichierCompte();
QString dossierEtat();

// None when there is no account; when its file is there but cannot be an
// account's (damaged, or far larger than Tarvelon writes one), none too, and
// *erreur says why in French.
std::optional<Compte> lireCompte(QString* erreur = nullptr);
// False with the reason when it cannot be written.
bool ecrireCompte(const Compte& compte, QString* erreur);

// Minutes from the day's start of a reminder, for the calendar's events.
std::optional<int> minutesDuRappel(Rappel rappel);

} // namespace synchro
