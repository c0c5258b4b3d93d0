#pragma once

#include <string>
#include <string_view>

// The settings file reader in plain C++, shared by the window (through
// LireParametre of parametres.h) and by tarvelon-rappel, which links no
// toolkit. Texts are UTF-8.

// What a scan found: the value of the key, the caller's default, or the
// empty text (no such section, or a section with no line at all).
struct LectureParametre {
    enum Issue { Valeur, Defaut, Vide } issue = Defaut;
    std::string valeur;
};

// One key of one section, read afresh from the file: a file that cannot be
// read (or is no regular file: a pipe never holds the read) gives Defaut.
LectureParametre lireCle(const std::string& fichier, std::string_view section,
                         std::string_view cle);

// The scan alone, over the bytes of a settings file.
LectureParametre chercherCle(std::string_view octets, std::string_view section,
                             std::string_view cle);

// The same, with the default given.
std::string LireParametre(const std::string& fichier, std::string_view section,
                          std::string_view cle, std::string_view defaut);

// The text of a settings file's bytes as UTF-8: the bytes themselves when they
// are valid UTF-8 (a leading byte-order mark dropped), else read as
// Windows-1252.
std::string texteParametres(std::string_view octets);

// True when the bytes are well-formed UTF-8.
bool estUtf8(std::string_view octets);
