#include "proches/appariement.h"

#include "socle/jours.h"
#include "socle/texte.h"

#include <algorithm>

namespace proches {

namespace {

// The code point at p, and its length in bytes (1 for a byte that starts
// none: it is taken as it is).
char32_t lire(std::string_view s, size_t p, size_t& longueur)
{
    const auto c = static_cast<unsigned char>(s[p]);
    longueur = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (longueur == 1 || p + longueur > s.size())
        return longueur = 1, c;
    char32_t v = c & (0x3F >> (longueur - 1));
    for (size_t i = 1; i < longueur; ++i)
        v = (v << 6) | (static_cast<unsigned char>(s[p + i]) & 0x3F);
    return v;
}

// Latin letters with their accents off, lower case: U+00C0 to U+017F.
const char* sansAccent(char32_t c)
{
    static const char* const latin1[64] = {
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
        "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "",  "ss",
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
        "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "",  "y"};
    // Latin Extended-A: each letter's base (ĳ as i, long s as s).
    static const char* const etendu = "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiii"
                                      "jjkkkllllllllllnnnnnnnnnoooooooorrrrrrssssssssttttt"
                                      "tuuuuuuuuuuuuwwyyyzzzzzzs";
    if (c >= 0xC0 && c < 0x100)
        return latin1[c - 0xC0];
    if (c == 0x152 || c == 0x153)
        return "oe";
    if (c >= 0x100 && c < 0x180) {
        static thread_local char une[2] = {0, 0};
        une[0] = etendu[c - 0x100];
        return une;
    }
    return nullptr;
}

bool estSeparateur(char32_t c)
{
    return c == ' ' || c == '-' || c == '\t' || c == 0xA0 || c == 0x2010 || c == 0x2011;
}

std::vector<std::string> parties(std::string_view prenoms)
{
    std::vector<std::string> p;
    std::string courante;
    for (size_t i = 0, n = 0; i < prenoms.size(); i += n) {
        const char32_t c = lire(prenoms, i, n);
        if (estSeparateur(c)) {
            if (!courante.empty())
                p.push_back(std::move(courante));
            courante.clear();
        } else {
            courante.append(prenoms.substr(i, n));
        }
    }
    if (!courante.empty())
        p.push_back(std::move(courante));
    return p;
}

bool aUneLettre(std::string_view plie)
{
    return std::any_of(plie.begin(), plie.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
    });
}

} // namespace

std::string plier(std::string_view nom)
{
    std::string plie;
    bool separe = false;
    for (size_t i = 0, n = 0; i < nom.size(); i += n) {
        const char32_t c = lire(nom, i, n);
        if (estSeparateur(c)) {
            separe = !plie.empty();
            continue;
        }
        if (separe)
            plie += '-';
        separe = false;
        if (c >= 'A' && c <= 'Z')
            plie += char(c - 'A' + 'a');
        else if (const char* lettre = sansAccent(c))
            plie += lettre;
        else
            plie.append(nom.substr(i, n));
    }
    return plie;
}

NomsDuCalendrier::NomsDuCalendrier(const std::vector<socle::FicheStockee>& table)
{
    for (const socle::FicheStockee& f : table)
        if (f.fiche.estFete() && socle::lireCleDuJour(f.fiche.date)) {
            const std::string nom(socle::trimmed(f.fiche.nom));
            if (!nom.empty())
                m_jours[plier(nom)].push_back({f.fiche.date, nom});
        }
    // The year's order: month, then day.
    for (auto& [nom, jours] : m_jours) {
        std::stable_sort(jours.begin(), jours.end(), [](const Candidat& a, const Candidat& b) {
            return a.jour.substr(3) + a.jour.substr(0, 2) < b.jour.substr(3) + b.jour.substr(0, 2);
        });
        jours.erase(
            std::unique(jours.begin(), jours.end(),
                        [](const Candidat& a, const Candidat& b) { return a.jour == b.jour; }),
            jours.end());
    }
}

const std::vector<Candidat>* NomsDuCalendrier::jours(const std::string& plie) const
{
    const auto it = m_jours.find(plie);
    return it == m_jours.end() ? nullptr : &it->second;
}

std::vector<Candidat> candidats(const NomsDuCalendrier& calendrier, std::string_view prenoms)
{
    const std::vector<std::string> p = parties(prenoms);
    std::vector<std::string> essais;
    if (p.size() > 1)
        essais.push_back(plier(prenoms));
    for (const std::string& partie : p)
        essais.push_back(plier(partie));
    std::vector<Candidat> c;
    for (const std::string& essai : essais) {
        if (!aUneLettre(essai))
            continue;
        if (const std::vector<Candidat>* jours = calendrier.jours(essai))
            for (const Candidat& j : *jours)
                if (std::none_of(c.begin(), c.end(),
                                 [&](const Candidat& deja) { return deja.jour == j.jour; }))
                    c.push_back(j);
    }
    return c;
}

std::string prenomsDeLaCarte(std::string_view affiche, std::string_view prenom,
                             std::string_view autresPrenoms)
{
    std::string p(socle::trimmed(prenom));
    const std::string_view autres = socle::trimmed(autresPrenoms);
    if (!autres.empty())
        p += (p.empty() ? "" : " ") + std::string(autres);
    return p.empty() ? std::string(socle::trimmed(affiche)) : p;
}

std::string premierPrenom(std::string_view nom)
{
    const std::string_view n = socle::trimmed(nom);
    const size_t blanc = n.find_first_of(" \t");
    return std::string(n.substr(0, blanc));
}

} // namespace proches
