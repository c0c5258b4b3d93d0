#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

// The French name days shipped with Tarvelon, in plain C++ (no toolkit): the
// bundled calendar that a first start puts into tarvelon.db, and that
// tarvelon-rappel reads when there is no tarvelon.db yet.
// The year of a name day.
inline const std::string AnneeNomDeFete = "0000";
// The year of a birthday whose year is not known (a contact's "--0412"): in
// the birthday view, out of the name days, told with no age.
inline const std::string AnneeInconnue = "----";

struct FeteFr {
    std::string date; // "dd/mm"
    std::string nom;
    std::string mf; // "M" or "F"
};

// In calendar order, the main name of each day first.
std::vector<FeteFr> calendrierFr();

// The bundled table itself: a header line, then "date TAB nom TAB mf" lines.
std::string_view calendrierFrTsv();
