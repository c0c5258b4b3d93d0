// Arbitrary bytes as a server's 207 answer: nothing may crash or hang, and
// every href read is resolved against the request, on its server.
#include "dav/xml.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QUrl asked(QStringLiteral("https://serveur.exemple:8443/dav/alice/agenda/"));
    const std::optional<dav::Multistatus> m = dav::parseMultistatus(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), asked);
    if (!m)
        return 0;
    for (const dav::ResponseItem& item : m->items) {
        if (!item.url.isValid())
            continue;
        if (item.url.isRelative())
            __builtin_trap();
        for (const auto& [status, prop] : item.properties)
            (void)prop.all(QStringLiteral("DAV:"), QStringLiteral("href"));
    }
    return 0;
}
