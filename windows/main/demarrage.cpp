#include "windows/main/tarvelon.h"

#include "store/calendrier.h"

#include "module/parametres.h"
#include "platform/clock.h"
#include "platform/fenetres.h"
#include "platform/help.h"
#include "platform/messagebox.h"
#include "platform/pointer.h"
#include "windows/regles/regles.h"
#include "windows/splash/accueil.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>

namespace windows {

using namespace module;
using namespace store;

using namespace platform;

namespace {

// A position in twips from the settings; 1000 when the text is no number.
int positionEnPixels(const QString& valeur)
{
    bool nombre = false;
    const double twipsLus = valeur.toDouble(&nombre);
    const double position = nombre ? twipsLus : 1000.0;
    return int(std::clamp(position / 15.0, -1e6, 1e6));
}

} // namespace

// Load: paths, database, help file and settings, then the window's place.
bool Tarvelon::Form_Load()
{
    setPointer(Hourglass);
    QCoreApplication::processEvents();

    CheminInstallation = store::dataFolder();
    QDir().mkpath(CheminInstallation);

    Data1->setDatabaseName(CheminInstallation + QStringLiteral("tarvelon.db"));
    QString probleme;
    if (!Data1->open(&probleme)) {
        setPointer(DefaultPointer);
        msgBox(probleme);
        return false;
    }
    setHelpFile(CheminInstallation + QStringLiteral("tarvelon.hlp"));
    FichierParametres = CheminInstallation + QStringLiteral("tarvelon.inf");

    const int haut = positionEnPixels(LireParametre(FichierParametres, QStringLiteral("Defaut"),
                                                    QStringLiteral("Top"), QStringLiteral("1000")));
    moveWindow(this, {x(), haut});
    const int gauche =
        positionEnPixels(LireParametre(FichierParametres, QStringLiteral("Defaut"),
                                       QStringLiteral("Left"), QStringLiteral("1000")));
    moveWindow(this, {gauche, y()});

    PremiereActivation = true;
    return true;
}

// First activation: name days, the title card, then today's entry. Later
// activations do nothing.
void Tarvelon::Form_Activate()
{
    if (!PremiereActivation)
        return;
    const DataSource::Action action(*Data1);
    PremiereActivation = false;
    ModeFetes = true;
    JourCourant = CleDeLaDate(today());
    Data1->setRecordSource(sourceNameDays());
    Data1->refresh();

    {
        Accueil accueil(this, DelaiAccueil);
        accueil.exec();
    }

    MiseAJour();
    SSCommand1[2]->setFocus();
    Label2->setText(today().toString(QStringLiteral("dd/MM/yy")));
    setPointer(DefaultPointer);
    Text2->setText(JourCourant);
    SSCommand3_Click();
    CouleurDate(JourCourant);

    const QString mode = LireParametre(FichierParametres, QStringLiteral("Defaut"),
                                       QStringLiteral("Mode"), QStringLiteral("Fetes"));
    if (mode.toUpper() == QLatin1String("ANNIVERSAIRES"))
        SSCommand5_Click();
}

} // namespace windows
