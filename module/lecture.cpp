#include "module/lecture.h"

#include "platform/fichier.h"

namespace {

// Windows-1252 for 0x80..0x9F; the other bytes are Latin-1. The five unused
// positions keep their C1 code points.
// clang-format off
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

void ajouterUtf8(std::string& texte, char32_t c)
{
    if (c < 0x80) {
        texte += char(c);
    } else if (c < 0x800) {
        texte += char(0xC0 | (c >> 6));
        texte += char(0x80 | (c & 0x3F));
    } else {
        texte += char(0xE0 | (c >> 12));
        texte += char(0x80 | ((c >> 6) & 0x3F));
        texte += char(0x80 | (c & 0x3F));
    }
}

} // namespace

bool estUtf8(std::string_view octets)
{
    const auto* p = reinterpret_cast<const unsigned char*>(octets.data());
    const auto* fin = p + octets.size();
    while (p < fin) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int suite;
        char32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            suite = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            suite = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            suite = 3;
            c = b & 0x07;
        } else {
            return false;
        }
        if (fin - p <= suite)
            return false;
        for (int i = 1; i <= suite; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i] & 0x3F);
        }
        // No overlong form, no surrogate, nothing past U+10FFFF.
        if ((suite == 2 && c < 0x800) || (suite == 3 && c < 0x10000) || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        p += suite + 1;
    }
    return true;
}

std::string texteParametres(std::string_view octets)
{
    std::string_view sans = octets;
    if (sans.substr(0, 3) == "\xEF\xBB\xBF")
        sans.remove_prefix(3);
    if (estUtf8(sans))
        return std::string(sans);
    std::string texte;
    texte.reserve(octets.size() + octets.size() / 8);
    for (const char octet : octets) {
        const auto b = static_cast<unsigned char>(octet);
        ajouterUtf8(texte, (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : char32_t(b));
    }
    return texte;
}

LectureParametre lireCle(const std::string& fichier, std::string_view section, std::string_view cle)
{
    std::string octets;
    if (!platform::readRegularFile(fichier, octets))
        return {LectureParametre::Defaut, {}};
    return chercherCle(octets, section, cle);
}

LectureParametre chercherCle(std::string_view octets, std::string_view section,
                             std::string_view cle)
{
    const std::string texte = texteParametres(octets);
    const std::string_view tout(texte);

    std::string entete;
    entete.reserve(section.size() + 2);
    entete += '[';
    entete += section;
    entete += ']';
    std::string debutCle(cle);
    debutCle += '=';

    // Lines end with LF (CR LF on the original system; the CR is dropped). A
    // final line end does not start one more, empty line.
    std::size_t debut = 0;
    auto ligneSuivante = [&](std::string_view& ligne) {
        if (debut >= tout.size())
            return false;
        std::size_t fin = tout.find('\n', debut);
        if (fin == std::string_view::npos)
            fin = tout.size();
        ligne = tout.substr(debut, fin - debut);
        if (!ligne.empty() && ligne.back() == '\r')
            ligne.remove_suffix(1);
        debut = fin + 1;
        return true;
    };

    std::string_view ligne;
    bool enTete = false;
    while (ligneSuivante(ligne)) {
        if (ligne == entete) {
            enTete = true;
            break;
        }
    }
    if (!enTete)
        return {LectureParametre::Vide, {}};

    LectureParametre::Issue provisoire = LectureParametre::Vide;
    while (ligneSuivante(ligne)) {
        if (ligne.substr(0, 1) == "[")
            return {provisoire, {}};
        if (ligne.substr(0, debutCle.size()) == debutCle)
            return {LectureParametre::Valeur, std::string(ligne.substr(debutCle.size()))};
        provisoire = LectureParametre::Defaut;
    }
    return {provisoire, {}};
}

std::string LireParametre(const std::string& fichier, std::string_view section,
                          std::string_view cle, std::string_view defaut)
{
    LectureParametre lu = lireCle(fichier, section, cle);
    switch (lu.issue) {
    case LectureParametre::Valeur:
        return std::move(lu.valeur);
    case LectureParametre::Defaut:
        return std::string(defaut);
    case LectureParametre::Vide:
        break;
    }
    return {};
}
