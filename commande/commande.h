#pragma once

#include <QStringList>
#include <optional>

// tarvelon's command line, which works with no display and no window:
//   tarvelon --importer FICHIER|DOSSIER
//   tarvelon --exporter FICHIER [--fetes|--anniversaires]
//   tarvelon --help | --version
// None when the arguments are none of these (the window starts); else the
// exit status: 0 done, 1 a file or the calendar that cannot be read or
// written (nothing changed), 2 bad usage.
namespace commande {

std::optional<int> executer(const QStringList& arguments);

} // namespace commande
