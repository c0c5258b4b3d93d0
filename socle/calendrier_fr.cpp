#include "socle/calendrier_fr.h"

#include <utility>

namespace socle {

std::vector<Fiche> calendrierFr()
{
    std::vector<Fiche> fetes;
    std::string_view reste = calendrierFrTsv();
    bool entete = true; // the first line names the columns
    while (!reste.empty()) {
        const size_t fin = std::min(reste.find('\n'), reste.size());
        std::string_view ligne = reste.substr(0, fin);
        reste.remove_prefix(std::min(fin + 1, reste.size()));
        if (std::exchange(entete, false) || ligne.empty())
            continue;
        const size_t tab1 = ligne.find('\t');
        const size_t tab2 = tab1 == std::string_view::npos ? tab1 : ligne.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos)
            continue;
        fetes.push_back({std::string(ligne.substr(tab1 + 1, tab2 - tab1 - 1)),
                         std::string(ligne.substr(0, tab1)), std::string(AnneeNomDeFete),
                         std::string(ligne.substr(tab2 + 1))});
    }
    return fetes;
}

} // namespace socle
