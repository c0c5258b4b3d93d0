#pragma once

#include <cstddef>
#include <string>

namespace socle {

// Reads a whole file named by a path, only when it is a regular file. A pipe,
// a socket, a device or a directory reads as missing, and the read never
// blocks on one. At most maxBytes are read (0: no limit); false when the file
// cannot be read.
bool readRegularFile(const std::string& path, std::string& bytes, std::size_t maxBytes = 0);

// Reads a whole regular file, never blocking on a pipe; a file larger than
// maxBytes is not read at all (TooLarge), never cut.
enum class ReadResult { Read, Missing, NotRegular, Directory, TooLarge, Denied, Loop, Failed };
ReadResult readWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// What a path names (following links), found without opening it.
enum class Nature {
    Absent,      // nothing there, or a link to nothing
    Ordinaire,   // a regular file
    Dossier,     // a directory
    Autre,       // a pipe, a socket, a device
    Inaccessible // cannot be looked at (no access, a loop of links)
};
Nature natureDe(const std::string& path);

} // namespace socle
