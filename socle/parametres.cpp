#include "socle/parametres.h"

#include "socle/fichier.h"
#include "socle/texte.h"

namespace socle {

namespace {

// The scan over a decoded text: the section's first header, then its lines
// until a line that begins with "[". Lines end with LF (CR LF on the original
// system; the CR is dropped); a final line end does not start one more,
// empty line.
LectureParametre chercher(std::string_view tout, std::string_view section, std::string_view cle)
{
    std::string entete;
    entete.reserve(section.size() + 2);
    entete += '[';
    entete += section;
    entete += ']';
    std::string debutCle(cle);
    debutCle += '=';

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
