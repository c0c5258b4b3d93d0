// Arbitrary bytes as a spreadsheet: nothing may crash or hang, and what is
// read, exported again, reads back the same.
#include "echange/csv.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const echange::LectureCsv lue =
        echange::lireCsv(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!lue.erreur.isEmpty())
        return 0;
    const echange::LectureCsv relue = echange::lireCsv(echange::ecrireCsv(lue.fiches));
    if (!relue.erreur.isEmpty() || relue.fiches != lue.fiches)
        __builtin_trap();
    return 0;
}
