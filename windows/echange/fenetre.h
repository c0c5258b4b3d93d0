#pragma once

#include "platform/scoped.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QWidget;
namespace socle {
class Database;
}
namespace windows {
class Tarvelon;
}

// Birthdays in and out from the window, around its designed controls (which
// stay as they are): a file dropped anywhere on it is imported; a context
// menu (right click, or the keyboard's menu key) offers "Importer…" and
// "Exporter…" with the standard file dialogs, first in the window's menu. The French report comes
// in a message box. Before an import, avantImport settles the entry being edited (false: the import
// waits); the import runs aside, on a connection of its own, under a progress dialog past a second;
// after it, apresImport reads the view again.
namespace echange {

void installer(windows::Tarvelon* fenetre, socle::Database& base, std::function<void()> apresImport,
               std::function<bool()> avantImport = {});

// On the very first start (no tarvelon.db yet), when a Wine prefix holds the
// old program's installation: asks once whether to bring it over. Its folder
// when the user says yes; a no makes the bundled calendar as any first start
// does, and the question never comes again.
std::optional<QString> proposerAncienneInstallation(const QString& baseDeDonnees);
// Brings the old folder over into the calendar, and tells what came.
void reprendreAncienneInstallation(socle::Database& base, const QString& dossier);

// The standard file dialogs, by what they ask; tests answer instead.
struct ChoixFichier {
    bool enregistrer = false;
    QString titre;
    QStringList filtres;
};
// The file chosen (empty: none) and, in *filtre, the index of the filter. A
// file to save is the very file the dialog asked about: the dialog itself
// adds the chosen kind's suffix, before it asks whether to replace a file.
using Selecteur = std::function<QString(QWidget* parent, const ChoixFichier&, int* filtre)>;
Selecteur& selecteurSlot();

class ScopedSelecteur : public platform::ScopedSwap<Selecteur> {
public:
    explicit ScopedSelecteur(Selecteur selecteur)
        : ScopedSwap(selecteurSlot(), std::move(selecteur))
    {
    }
};

} // namespace echange
