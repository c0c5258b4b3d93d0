#pragma once

#include "socle/fetes.h"
#include "socle/proches.h"
#include "synchro/compte.h"
#include "synchro/connexion.h"

#include <QMetaType>
#include <QString>
#include <functional>
#include <vector>

// The calendar's entries published to the user's calendar server (CalDAV):
// one yearly all-day event per day of name days and per birthday, the .ics
// export's UIDs, the resource named after the UID. This installation writes
// its own events only; what the user's other installations wrote there comes
// into the table first (partage.h), so that both publish the same events.
//
// By state, never by a journal: each run compares what Tarvelon wants on the
// server, what it last wrote there (a hash of each event without DTSTAMP, in
// $XDG_STATE_HOME/tarvelon/agenda.json, recorded after each request) and
// what the server has (sync-collection from the last token, else ETags). It
// creates with If-None-Match: *, replaces and deletes with If-Match. A run
// that finds nothing changed writes nothing. An event changed or deleted on
// the server behind Tarvelon's back is put back; an event Tarvelon did not
// write is never touched; a token the server no longer knows gives a full
// comparison; a crash between a write and its record never doubles an event
// (its resource is named after its UID).
namespace synchro {

struct Bilan {
    bool reussi = true;
    QString texte; // French: what was done, or why not
    int ecritures = 0;
    bool tableChangee = false; // the address books changed the calendar
    // The calendar holds another installation's events and the user was not
    // asked yet: what they hold. Nothing came in, nothing was published.
    QString question = {};
};

// With the account's word, each day's name-day event names the people of
// that day (those to wish) in its description.
// How far a publish is: writes done, writes in all (after each lot).
using Avancement = std::function<void(int fait, int total)>;

Bilan publier(Connexion& connexion, const Compte& compte, const std::vector<socle::Fiche>& fiches,
              const std::vector<socle::Proche>& proches = {}, const Avancement& avancement = {});

// The state file of the publish, and the journal of the writes since it was
// last written whole.
QString fichierEtatAgenda();
QString fichierJournalAgenda();

} // namespace synchro

Q_DECLARE_METATYPE(synchro::Bilan)
