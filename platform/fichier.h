#pragma once

#include <string>

namespace platform {

// Reads a whole file named by a path, only when it is a regular file. A pipe,
// a socket, a device or a directory reads as missing, and the read never
// blocks on one. At most maxBytes are read (0: no limit); false when the file
// cannot be read. Plain C++: the reminder links it without any toolkit.
bool readRegularFile(const std::string& path, std::string& bytes, std::size_t maxBytes = 0);

} // namespace platform
