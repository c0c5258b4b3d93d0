// Arbitrary settings-file bytes, section and key through the settings reader:
// nothing may crash or hang, and a value found is always valid UTF-8 and
// lies on one line.
#include "socle/parametres.h"
#include "socle/texte.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input is "section NUL key NUL file bytes".
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t finSection = input.find('\0');
    if (finSection == std::string_view::npos)
        return 0;
    const std::string_view section = input.substr(0, finSection);
    input.remove_prefix(finSection + 1);
    const size_t finCle = input.find('\0');
    if (finCle == std::string_view::npos)
        return 0;
    const std::string_view cle = input.substr(0, finCle);
    const std::string_view octets = input.substr(finCle + 1);

    if (!socle::isUtf8(socle::decodeUtf8OrWindows1252(octets)))
        __builtin_trap();
    const socle::LectureParametre lu = socle::chercherCle(octets, section, cle);
    if (lu.issue == socle::LectureParametre::Valeur &&
        (!socle::isUtf8(lu.valeur) || lu.valeur.find('\n') != std::string::npos))
        __builtin_trap();
    if (lu.issue != socle::LectureParametre::Valeur && !lu.valeur.empty())
        __builtin_trap();
    return 0;
}
