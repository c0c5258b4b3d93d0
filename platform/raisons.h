#pragma once

#include <string>

namespace platform {

// The French words (UTF-8) for an SQLite extended result code, never the
// engine's own English text. Plain C++, shared by the window's store and by
// tarvelon-rappel.
std::string raisonSqlite(int code);

} // namespace platform
