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

void appendUtf8(std::string& text, char32_t c)
{
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | (c >> 6));
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xE0 | (c >> 12));
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}

// The code point that starts at p (p < end), and its length; 0 length for a
// byte that starts no character.
char32_t readCharacter(const unsigned char* p, const unsigned char* end, int& length)
{
    length = 1;
    if (*p < 0x80)
        return *p;
    int rest = *p >= 0xF0 ? 3 : *p >= 0xE0 ? 2 : *p >= 0xC0 ? 1 : 0;
    if (rest == 0 || end - p <= rest) {
        length = 0;
        return 0;
    }
    char32_t c = *p & (0x3F >> rest);
    for (int i = 1; i <= rest; ++i)
        c = (c << 6) | (p[i] & 0x3F);
    length = rest + 1;
    return c;
}

// The blanks QString::trimmed() takes away: the ASCII ones and U+0085, then
// the Unicode space separators, line and paragraph separators.
bool isBlank(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

} // namespace

bool isUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int rest;
        char32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            rest = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            rest = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            rest = 3;
            c = b & 0x07;
        } else {
            return false;
        }
        if (end - p <= rest)
            return false;
        for (int i = 1; i <= rest; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i] & 0x3F);
        }
        // No overlong form, no surrogate, nothing past U+10FFFF.
        if ((rest == 2 && c < 0x800) || (rest == 3 && c < 0x10000) || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        p += rest + 1;
    }
    return true;
}

std::string decodeUtf8OrWindows1252(std::string_view bytes)
{
    std::string_view without = bytes;
    if (without.substr(0, 3) == "\xEF\xBB\xBF")
        without.remove_prefix(3);
    if (isUtf8(without))
        return std::string(without);
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        appendUtf8(text, (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : char32_t(b));
    }
    return text;
}

std::string terminalSafe(std::string text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            text[i] = ' ';
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            text.replace(i, 2, " "); // a C1 control character
        }
    }
    return text;
}

std::string truncated(std::string text, std::size_t max)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue; // inside a character
        if (characters++ == max) {
            text.resize(i);
            return text + "…";
        }
    }
    return text;
}

std::optional<int> parseDigits(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string_view trimmed(std::string_view utf8)
{
    const auto* start = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = start + utf8.size();
    int length = 0;
    while (start < end && isBlank(readCharacter(start, end, length)) && length > 0)
        start += length;
    // From the end: back to the start of the last character, then test it.
    while (end > start) {
        const unsigned char* p = end - 1;
        while (p > start && (*p & 0xC0) == 0x80)
            --p;
        if (!isBlank(readCharacter(p, end, length)) || length != end - p)
            break;
        end = p;
    }
    return std::string_view(reinterpret_cast<const char*>(start), size_t(end - start));
}

} // namespace socle
