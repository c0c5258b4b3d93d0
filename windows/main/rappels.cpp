#include "windows/main/tarvelon.h"

#include "module/parametres.h"
#include "module/son.h"
#include "platform/clock.h"
#include "platform/messagebox.h"
#include "platform/sound.h"
#include "windows/regles/regles.h"

namespace windows {

using namespace module;

using namespace platform;

namespace {
const QString Evenements = QStringLiteral("Evenements");
const QString SonsWav = QStringLiteral("SonsWav");
} // namespace

void Tarvelon::marquer(Label* legende, bool note)
{
    setForeColor(legende, qbColor(note ? QbLightRed : QbBlack));
    legende->setAccessibleDescription(note ? QStringLiteral("Jour noté") : QString());
}

// What the settings note for a day: 0 nothing, 1 an event, 2 a sound, 3 both.
int Tarvelon::EtatJour(const QString& jour)
{
    int etat = 0;
    if (!LireParametre(FichierParametres, Evenements, jour, QString()).isEmpty())
        etat = 1;
    if (!LireParametre(FichierParametres, SonsWav, jour, QString()).isEmpty())
        etat = etat == 0 ? 2 : 3;
    return etat;
}

// Marks a noted day: today's caption when it is today (it then stays red),
// else the "Date" caption; and the default sound.
void Tarvelon::CouleurDate(const QString& jour)
{
    marquer(Label1[1], false);
    if (EtatJour(jour) == 0)
        return;
    if (jour == CleDeLaDate(today())) {
        marquer(Label2, true);
        JouerSon(QString());
    } else {
        marquer(Label1[1], true);
        JouerSon(QString());
    }
}

// The day's own sound, then its event in a message.
void Tarvelon::RappelEvenement(const QString& jour)
{
    bool texte = false;
    bool son = false;
    switch (EtatJour(jour)) {
    case 0:
        return;
    case 1:
        texte = true;
        break;
    case 2:
        son = true;
        break;
    default:
        texte = son = true;
        break;
    }
    if (son) {
        const QString fichier = LireParametre(FichierParametres, SonsWav, jour, QString());
        sndPlaySoundA(CheminInstallation + fichier, SndAsync);
    }
    if (texte) {
        const QString evenement = LireParametre(FichierParametres, Evenements, jour, QString());
        msgBox(evenement, MbInformation,
               QStringLiteral("Evenement important du ") +
                   JourEnLettresAvecSemaine(jour, today().year()));
    }
}

} // namespace windows
