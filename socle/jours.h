#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// Days of the year as the calendar keeps them: the day key "dd/mm" (the
// table's Date, the settings' keys), and the rule of 29 February.
namespace socle {

using Jour = std::chrono::year_month_day;

struct JourDeLAnnee {
    int jour = 0;
    int mois = 0;
};

// "dd/mm": two-digit day, "/", two-digit month.
std::string cleDuJour(int jour, int mois);
std::string cleDuJour(Jour date);

// The day of a key written exactly "dd/mm", when that day exists in some
// year (29/02 included); none for anything else.
std::optional<JourDeLAnnee> lireCleDuJour(std::string_view cle);

// 29 February is wished on 28 February when the year has none, as people
// born that day celebrate: true on 28 February of a common year.
bool dit29FevrierLe(Jour date);

} // namespace socle
