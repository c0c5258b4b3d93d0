#pragma once

#include "socle/fetes.h"

#include <QByteArray>
#include <vector>

// Birthdays and name days for agendas (RFC 5545), written with libical: one
// yearly, all-day, transparent event for each birthday ("Anniversaire de Paul
// (1980)", "Anniversaire d'Anne"), and one for each day of name days ("Fête
// des Georges, Adalbert et Gilles"). A UID depends only
// on what the event stands for, so that an agenda importing the file again
// updates its events instead of doubling them. A 29 February comes back on
// the last day of February (BYMONTHDAY=-1), so it shows on the 28th of
// common years, as Nextcloud and Evolution do.
namespace echange {

QByteArray ecrireIcalendar(const std::vector<socle::Fiche>& fiches, socle::Selection selection);

} // namespace echange
