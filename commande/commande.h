#pragma once

#include <QString>
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
// The entry the window is to stand on (--fiche, from the desktop's search).
std::optional<QString> ficheAMontrer(const QStringList& arguments);

// Qt's own messages are for its developers, in English: kept from the
// terminal (TARVELON_DEBUG=1 shows them), and a fatal one says in French
// that Tarvelon stops. Installed first thing.
void garderLesMessagesDeQt();

// The window needs a screen: with no X11 or Wayland display, said in
// French (exit status 1) instead of Qt's abort.
std::optional<int> sansEcran();

} // namespace commande
