#include "socle/texte.h"

namespace socle {

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

// The code point that starts at p (p < end), and its length; 0 length for a
// byte that starts no character.
char32_t lireCaractere(const unsigned char* p, const unsigned char* fin, int& longueur)
{
    longueur = 1;
    if (*p < 0x80)
        return *p;
    int suite = *p >= 0xF0 ? 3 : *p >= 0xE0 ? 2 : *p >= 0xC0 ? 1 : 0;
    if (suite == 0 || fin - p <= suite) {
        longueur = 0;
        return 0;
    }
    char32_t c = *p & (0x3F >> suite);
    for (int i = 1; i <= suite; ++i)
        c = (c << 6) | (p[i] & 0x3F);
    longueur = suite + 1;
    return c;
}

// The blanks QString::trimmed() takes away: the ASCII ones and U+0085, then
// the Unicode space separators, line and paragraph separators.
bool estBlanc(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

} // namespace

bool isUtf8(std::string_view octets)
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

std::string decodeUtf8OrWindows1252(std::string_view octets)
{
    std::string_view sans = octets;
    if (sans.substr(0, 3) == "\xEF\xBB\xBF")
        sans.remove_prefix(3);
    if (isUtf8(sans))
        return std::string(sans);
    std::string texte;
    texte.reserve(octets.size() + octets.size() / 8);
    for (const char octet : octets) {
        const auto b = static_cast<unsigned char>(octet);
        ajouterUtf8(texte, (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : char32_t(b));
    }
    return texte;
}

std::string texteSur(std::string texte)
{
    for (size_t i = 0; i < texte.size(); ++i) {
        const auto c = static_cast<unsigned char>(texte[i]);
        if (c < 0x20 || c == 0x7F) {
            texte[i] = ' ';
        } else if (c == 0xC2 && i + 1 < texte.size() &&
                   static_cast<unsigned char>(texte[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(texte[i + 1]) <= 0x9F) {
            texte.replace(i, 2, " "); // a C1 control character
        }
    }
    return texte;
}

std::string texteBorne(std::string texte, std::size_t max)
{
    std::size_t caracteres = 0;
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if ((static_cast<unsigned char>(texte[i]) & 0xC0) == 0x80)
            continue; // inside a character
        if (caracteres++ == max) {
            texte.resize(i);
            return texte + "…";
        }
    }
    return texte;
}

std::optional<int> nombreEnChiffres(std::string_view texte, std::size_t chiffresMax)
{
    if (texte.empty() || texte.size() > chiffresMax)
        return std::nullopt;
    int n = 0;
    for (const char c : texte) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string_view trimmed(std::string_view utf8)
{
    const auto* debut = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* fin = debut + utf8.size();
    int longueur = 0;
    while (debut < fin && estBlanc(lireCaractere(debut, fin, longueur)) && longueur > 0)
        debut += longueur;
    // From the end: back to the start of the last character, then test it.
    while (fin > debut) {
        const unsigned char* p = fin - 1;
        while (p > debut && (*p & 0xC0) == 0x80)
            --p;
        if (!estBlanc(lireCaractere(p, fin, longueur)) || longueur != fin - p)
            break;
        fin = p;
    }
    return std::string_view(reinterpret_cast<const char*>(debut), size_t(fin - debut));
}

} // namespace socle
