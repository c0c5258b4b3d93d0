#pragma once

#include <string>

namespace socle {

// The French words (UTF-8) for an SQLite extended result code, never the
// engine's own English text.
std::string raisonSqlite(int code);

} // namespace socle
