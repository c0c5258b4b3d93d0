#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The settings file's scan in plain C++: the window's LireParametre (module)
// and tarvelon-rappel read the same file the same way. Texts are UTF-8.
namespace socle {

// What a scan found: the value of the key, the caller's default, or the
// empty text (no such section, or a section with no line at all).
struct LectureParametre {
    enum Issue { Valeur, Defaut, Vide } issue = Defaut;
    std::string valeur;

    // The text a reader gets, with its default.
    std::string ou(std::string_view defaut) &&;
};

// A settings file read and decoded once, its keys then scanned in memory: for
// a program that reads many keys in one go (the reminder of a year ahead).
// The window reads afresh at every key instead (lireCle).
class Parametres {
public:
    // A file that cannot be read (or is no regular file: a pipe never holds
    // the read) gives every key its default.
    static Parametres lire(const std::string& fichier);
    static Parametres depuis(std::string_view octets);

    LectureParametre cle(std::string_view section, std::string_view cle) const;
    std::string valeur(std::string_view section, std::string_view cle,
                       std::string_view defaut) const;
    // Every key and value of a section, in the file's order (as found by the
    // scan: its first header only).
    std::vector<std::pair<std::string, std::string>> section(std::string_view section) const;

private:
    bool m_lu = false;
    std::string m_texte; // decoded
};

// One key of one section, read afresh from the file.
LectureParametre lireCle(const std::string& fichier, std::string_view section,
                         std::string_view cle);

// The scan alone, over the bytes of a settings file.
LectureParametre chercherCle(std::string_view octets, std::string_view section,
                             std::string_view cle);

} // namespace socle
