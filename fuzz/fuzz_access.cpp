// Arbitrary bytes as an Access database through the old database's import,
// as a user's dropped file meets it (the checks, then the reader in its own
// process), and as the reader's output read back: nothing may crash or hang,
// and rows read are always four fields of valid UTF-8.
#include "ancien/access.h"
#include "socle/texte.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void verifier(const ancien::TableAccess& table)
{
    if (table.issue != ancien::TableAccess::Lue && table.issue != ancien::TableAccess::Incomplete)
        return;
    for (const auto& ligne : table.lignes) {
        if (ligne.size() != 4)
            __builtin_trap();
        for (const auto& champ : ligne)
            if (champ && !socle::isUtf8(*champ))
                __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A calendar of the old program is small; larger inputs are refused
    // before any reading anyway.
    if (size > (std::size_t(1) << 20))
        return 0;
    const std::string_view octets(reinterpret_cast<const char*>(data), size);
    verifier(ancien::lireSortieDuLecteur(octets, 4));
    if (ancien::verifierAccess(octets.substr(0, 4096), size) != ancien::TableAccess::Lue)
        return 0;

    static const std::string fichier = "/tmp/fuzz-access-" + std::to_string(::getpid()) + ".mdb";
    ancien::lecteurSlot() = TARVELON_LECTEUR;
    std::FILE* f = std::fopen(fichier.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    verifier(ancien::lireTableAccess(fichier, "Fetes", {"Nom", "Date", "Annee", "MF"}));
    ::unlink(fichier.c_str());
    return 0;
}
