// Arbitrary bytes as a server's 207 answer: nothing may crash or hang, and
// every href read is resolved against the request, on its server.
#include "dav/xml.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QUrl requete(QStringLiteral("https://serveur.exemple:8443/dav/alice/agenda/"));
    const std::optional<dav::Multistatus> m = dav::lireMultistatus(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), requete);
    if (!m)
        return 0;
    for (const dav::Membre& membre : m->membres) {
        if (!membre.url.isValid())
            continue;
        if (membre.url.isRelative())
            __builtin_trap();
        for (const auto& [statut, prop] : membre.proprietes)
            (void)prop.tous(QStringLiteral("DAV:"), QStringLiteral("href"));
    }
    return 0;
}
