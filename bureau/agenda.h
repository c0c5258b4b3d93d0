#pragma once

#include "socle/fetes.h"

#include <QString>
#include <vector>

// The calendar file the desktop reads ($XDG_DATA_HOME/tarvelon/tarvelon.ics):
// the .ics export's content, one yearly all-day event per day of name days
// and per birthday. Written aside and renamed over the old one (never seen
// half-written), only when what it says changes, and never twice within one
// second of its modification time: the desktop's calendar service compares
// those times in whole seconds and would miss the second write.
namespace bureau {

QString fichierAgenda();

struct Ecriture {
    bool ecrit = false; // false: already as the entries say, or an error
    QString erreur;     // French; empty when all went well
};

Ecriture ecrireAgenda(const std::vector<socle::Fiche>& fiches,
                      const QString& chemin = fichierAgenda());

// From the calendar's database, read without writing (a missing database:
// nothing to do; a busy one: its error, tried again next time).
Ecriture actualiserAgenda(const QString& calendrier, const QString& chemin = fichierAgenda());

} // namespace bureau
