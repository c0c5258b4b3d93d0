#pragma once

#include "socle/fetes.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// Birthdays and name days for agendas (RFC 5545), written and read with
// libical: one yearly, all-day, transparent event for each birthday
// ("Anniversaire de Paul (1980)", "Anniversaire d'Anne"), and one for each
// day of name days ("Fête des Georges, Adalbert et Gilles"). A UID depends
// only on what the event stands for (identite.h), so that an agenda
// importing the file again updates its events instead of doubling them. A
// 29 February comes back on the last day of February (BYMONTHDAY=-1), so it
// shows on the 28th of common years, as Nextcloud and Evolution do.
namespace echange {

// One event: what it says, the day it stands for, the entries it holds
// (one for a birthday, the day's names for name days).
struct Evenement {
    QByteArray uid;
    QString resume;
    int annee = 0; // the birth year; 0 when it is not known (and for name days)
    int mois = 0;
    int jour = 0;
    std::vector<socle::Fiche> fiches;
    QString description;    // the publish's: the user's people of a name day
    std::vector<int> rangs; // each entry's place among those given: the backup's order
};

// The events of the entries chosen, birthdays first (in record order), then
// the days of name days in calendar order; entries whose day does not exist
// are left out.
std::vector<Evenement> evenements(const std::vector<socle::Fiche>& fiches,
                                  socle::Selection selection);

// The agenda file of the entries chosen. Each event also carries its
// entries as they are (X-TARVELON-FICHE, with their place in the table,
// X-RANG), so that the file is a backup: lireIcalendar takes them back whole
// and in order.
QByteArray ecrireIcalendar(const std::vector<socle::Fiche>& fiches, socle::Selection selection);

// One event alone, as a calendar server keeps it (a VCALENDAR of one
// VEVENT, with the file's UID and rules). For phones: it starts in the birth
// year, or in 1970 (1972 for 29 February) when the year is not known or
// earlier, since several phone calendars drop earlier starts (the year stays
// in the summary); with a reminder when one is asked, in minutes from the
// day's start (-360: the evening before at 18:00; 540: the day at 9:00).
struct Publication {
    std::optional<int> rappelMinutes;
};
// horodate false leaves DTSTAMP out: what is compared from one run to the
// next.
QByteArray ecrireEvenement(const Evenement& evenement, const Publication& publication,
                           bool horodate = true);

struct LectureIcalendar {
    std::vector<socle::Fiche> fiches; // in the order of the table exported, when it says it
    bool sauvegarde = false;          // every entry came whole (X-TARVELON-FICHE): a backup
    int autres = 0;                   // events Tarvelon did not write, left alone
    QString erreur;                   // empty when the file was read
};

// The entries of an agenda Tarvelon exported, told by their UIDs: the
// entries each event carries, else (an older export) what its summary and
// day say. An agenda with none of Tarvelon's events is refused.
LectureIcalendar lireIcalendar(const QByteArray& octets);

// What an event says, whoever wrote its bytes (another Tarvelon, a server
// that writes them its own way): its UID, summary, description, start,
// rule, alarm and entries, in one text; empty when it is no event. Two
// events that say the same give the same text, their stamps aside.
QByteArray sens(const QByteArray& octets);

} // namespace echange
