// Arbitrary bytes as the calendar file the desktop's search reads: nothing
// may crash or hang, and every entry found can be described again from its id.
#include "bureau/recherche.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray octets(reinterpret_cast<const char*>(data), qsizetype(size));
    const bureau::Index index = bureau::indexDe(octets);
    // The input's head as the terms typed, whatever its bytes.
    const QStringList termes = QString::fromUtf8(octets.left(40)).split(QLatin1Char(' '));
    for (const QStringList& t :
         {termes, QStringList{QStringLiteral("a")}, QStringList{QStringLiteral("23/04")}})
        for (const bureau::Resultat& r : index.chercher(t, 2026))
            if (!index.fiche(r.id))
                __builtin_trap();
    return 0;
}
