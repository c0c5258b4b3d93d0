#include "socle/parametres.h"

#include "socle/fichier.h"
#include "socle/texte.h"

#include <optional>

namespace socle {

namespace {

// The lines of a section in a decoded text: those after its first header,
// up to a line that begins with "[". None when no line is the header. Lines
// end with LF (CR LF on the original system; the CR is dropped); a final line
// end does not start one more, empty line.
std::optional<std::vector<std::string_view>> lignesDeSection(std::string_view tout,
                                                             std::string_view section)
{
    std::string entete;
    entete.reserve(section.size() + 2);
    entete += '[';
    entete += section;
    entete += ']';

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
        return std::nullopt;
    std::vector<std::string_view> lignes;
    while (ligneSuivante(ligne) && ligne.substr(0, 1) != "[")
        lignes.push_back(ligne);
    return lignes;
}

// The scan: the first line of the section that begins with the key and "=".
LectureParametre chercher(std::string_view tout, std::string_view section, std::string_view cle)
{
    const auto lignes = lignesDeSection(tout, section);
    if (!lignes)
        return {LectureParametre::Vide, {}};
    std::string debutCle(cle);
    debutCle += '=';
    for (const std::string_view ligne : *lignes)
        if (ligne.substr(0, debutCle.size()) == debutCle)
            return {LectureParametre::Valeur, std::string(ligne.substr(debutCle.size()))};
    return {lignes->empty() ? LectureParametre::Vide : LectureParametre::Defaut, {}};
}

} // namespace

std::string LectureParametre::ou(std::string_view defaut) &&
{
    switch (issue) {
    case Valeur:
        return std::move(valeur);
    case Defaut:
        return std::string(defaut);
    case Vide:
        break;
    }
    return {};
}

Parametres Parametres::lire(const std::string& fichier)
{
    std::string octets;
    if (!readRegularFile(fichier, octets))
        return {};
    return depuis(octets);
}

Parametres Parametres::depuis(std::string_view octets)
{
    Parametres parametres;
    parametres.m_lu = true;
    parametres.m_texte = decodeUtf8OrWindows1252(octets);
    return parametres;
}

LectureParametre Parametres::cle(std::string_view section, std::string_view cle) const
{
    if (!m_lu)
        return {LectureParametre::Defaut, {}};
    return chercher(m_texte, section, cle);
}

std::vector<std::pair<std::string, std::string>> Parametres::section(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> valeurs;
    if (!m_lu)
        return valeurs;
    for (const std::string_view ligne :
         lignesDeSection(m_texte, section).value_or(std::vector<std::string_view>{})) {
        const size_t egal = ligne.find('=');
        if (egal != std::string_view::npos && egal > 0)
            valeurs.emplace_back(ligne.substr(0, egal), ligne.substr(egal + 1));
    }
    return valeurs;
}

std::string Parametres::valeur(std::string_view section, std::string_view cle,
                               std::string_view defaut) const
{
    return this->cle(section, cle).ou(defaut);
}

LectureParametre lireCle(const std::string& fichier, std::string_view section, std::string_view cle)
{
    return Parametres::lire(fichier).cle(section, cle);
}

LectureParametre chercherCle(std::string_view octets, std::string_view section,
                             std::string_view cle)
{
    return Parametres::depuis(octets).cle(section, cle);
}

} // namespace socle
