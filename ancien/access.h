#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One table of an Access database (.mdb of Access 97, 2000, 2002-2003;
// .accdb of 2007 and later), read through libmdb in a process of its own
// (tarvelon-lecture-access): libmdb trusts the file, and a damaged or hostile
// one must never take the window down. The file is checked first (its
// signature, its version, a whole number of pages), so that libmdb only ever
// sees what looks like an Access database.
namespace ancien {

struct TableAccess {
    enum Issue {
        Lue,
        Absente,         // no such file, or not a regular file
        Vide,            // zero bytes
        PasAccess,       // no Access signature
        VersionInconnue, // an Access signature with a version byte libmdb does not know
        Coupee,          // not a whole number of pages: cut short
        TropGrande,
        Illisible,  // libmdb cannot read its catalogue or the table
        SansTable,  // no table of that name
        SansChamp,  // the table lacks one of the fields asked for
        Incomplete, // fewer rows than the table announces
        Endommagee, // the reader crashed, ran out of time, or said nothing sensible
        SansLecteur // tarvelon-lecture-access is not installed
    } issue = Lue;
    std::string champ; // SansChamp: the field missing
    unsigned annoncees = 0;
    // The fields asked for, in that order; none for a NULL. UTF-8.
    std::vector<std::vector<std::optional<std::string>>> lignes;
};

// Files larger than this are no calendar: they are refused before reading.
inline constexpr std::size_t TailleMaxAccess = std::size_t(256) << 20;

// The table named (letter case aside) with the fields named (any order,
// letter case aside; the table's other columns are left alone).
TableAccess lireTableAccess(const std::string& fichier, const std::string& table,
                            const std::vector<std::string>& champs);

// The checks made before libmdb sees a file, over its first bytes and its
// size: Lue when it looks like an Access database.
TableAccess::Issue verifierAccess(std::string_view debut, std::size_t taille);

// What the reader wrote, read back (all of it, ended by its FIN line; else
// Endommagee).
TableAccess lireSortieDuLecteur(std::string_view sortie, std::size_t champs);

// The reader's path: beside the running program (the build tree), else
// where it is installed relative to it. Tests name another.
std::string& lecteurSlot();

} // namespace ancien
