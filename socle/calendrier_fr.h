#pragma once

#include "socle/fetes.h"

#include <string_view>
#include <vector>

// The French name days shipped with Tarvelon: the bundled calendar that a
// first start puts into tarvelon.db, and that tarvelon-rappel reads when there
// is no tarvelon.db yet.
namespace socle {

// In calendar order, the main name of each day first; every row a name day
// (Annee AnneeNomDeFete, MF "M" or "F").
std::vector<Fiche> calendrierFr();

// The bundled table itself: a header line, then "date TAB nom TAB mf" lines.
std::string_view calendrierFrTsv();

} // namespace socle
