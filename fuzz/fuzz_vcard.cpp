// Arbitrary bytes as a contacts file: nothing may crash or hang, and what is
// read, exported again, reads back the same.
#include "echange/vcard.h"
#include "socle/jours.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const echange::LectureVcard lue =
        echange::lireVcard(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!lue.erreur.isEmpty())
        return 0;
    // The birthdays as the import stores them.
    std::vector<socle::Fiche> fiches;
    for (const echange::Carte& c : lue.cartes)
        if (c.naissance && !c.nom.isEmpty())
            fiches.push_back(echange::anniversaireDe(c));
    const echange::LectureVcard relue = echange::lireVcard(echange::ecrireVcard(fiches));
    if (fiches.empty())
        return 0;
    if (!relue.erreur.isEmpty() || relue.cartes.size() != fiches.size())
        __builtin_trap();
    for (size_t i = 0; i < fiches.size(); ++i) {
        const echange::Carte& c = relue.cartes[i];
        if (!c.naissance || c.nom.toStdString() != fiches[i].nom ||
            socle::cleDuJour(c.naissance->jour, c.naissance->mois) != fiches[i].date ||
            c.naissance->annee.has_value() != (fiches[i].annee != socle::AnneeInconnue))
            __builtin_trap();
    }
    return 0;
}
