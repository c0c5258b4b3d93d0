#pragma once

#include <QString>

// The shared module: the installation directory, the settings file and its
// reader, the default sound (son.h).
namespace module {

// The installation directory, ending with "/", and the settings file in it.
// Both are set once by the main window's load.
extern QString CheminInstallation;
extern QString FichierParametres;

// The value of one key of one section of a settings file, read afresh from
// the file at every call (no cache). Never fails and never reports: a file
// that cannot be read gives the default, a missing or empty section gives
// the empty text, a section that has lines but not the key gives the
// default.
QString LireParametre(const QString& fichier, const QString& section, const QString& cle,
                      const QString& defaut);

} // namespace module
