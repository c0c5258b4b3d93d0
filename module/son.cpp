#include "module/son.h"

#include "module/parametres.h"
#include "platform/sound.h"

namespace module {

void JouerSon(const QString& fichier)
{
    QString nom = fichier;
    if (nom.isEmpty())
        nom = LireParametre(FichierParametres, QStringLiteral("Defaut"), QStringLiteral("Beep"),
                            QString());
    const QString chemin = CheminInstallation + nom;
    if (platform::sndPlaySoundA(chemin, platform::SndAsync) == 0)
        platform::beep();
}

} // namespace module
