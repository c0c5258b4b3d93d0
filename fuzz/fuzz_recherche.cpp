// Arbitrary text through the search's classification and date rewriting, and
// through the Like matcher as a pattern and as a name: nothing may crash or
// hang.
#include "store/like.h"
#include "windows/regles/regles.h"

#include <QString>
#include <cstddef>
#include <cstdint>

using namespace windows;
using store::LikePattern;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (RechercheParDate(text)) {
        const DateRecherchee date = ReecrireDate(text);
        if (date.erreur < 0 || date.erreur > 2)
            __builtin_trap();
    }
    (void)AgeCetteAnnee(2026, text);
    (void)JourEnLettres(text, 2026);

    const qsizetype half = text.size() / 2;
    const LikePattern pattern(QLatin1Char('*') + text.left(half) + QLatin1Char('*'));
    (void)pattern.matches(text.mid(half));
    (void)LikePattern(text).matches(text);
    return 0;
}
