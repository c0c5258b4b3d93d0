#include "socle/jours.h"

#include <cstdio>

namespace socle {

using namespace std::chrono;

std::string cleDuJour(int jour, int mois)
{
    char texte[32];
    std::snprintf(texte, sizeof texte, "%02d/%02d", jour, mois);
    return texte;
}

std::string cleDuJour(Jour date)
{
    return cleDuJour(int(unsigned(date.day())), int(unsigned(date.month())));
}

std::optional<JourDeLAnnee> lireCleDuJour(std::string_view cle)
{
    if (cle.size() != 5 || cle[2] != '/')
        return std::nullopt;
    for (const size_t i : {0, 1, 3, 4})
        if (cle[i] < '0' || cle[i] > '9')
            return std::nullopt;
    const int jour = (cle[0] - '0') * 10 + (cle[1] - '0');
    const int mois = (cle[3] - '0') * 10 + (cle[4] - '0');
    // 2000 is a leap year: 29/02 is a day.
    if (!year_month_day(year(2000), month(unsigned(mois)), day(unsigned(jour))).ok())
        return std::nullopt;
    return JourDeLAnnee{jour, mois};
}

bool dit29FevrierLe(Jour date)
{
    return date.month() == February && date.day() == day(28) && !date.year().is_leap();
}

} // namespace socle
