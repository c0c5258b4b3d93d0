#pragma once

#include <QString>

namespace module {

// Plays a wave file of the installation directory: the one named, or for the
// empty text the default sound (key Beep of section Defaut). The name is
// always appended to the installation directory, even when it looks like a
// full path. When nothing could be played, the system beep sounds. Returns at
// once; the sound goes on in the background.
void JouerSon(const QString& fichier);

} // namespace module
