#include "bureau/source.h"

#include "bureau/agenda.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace bureau {

namespace {

// The service's name on the session bus, as Debian 12's EDS 3.46 owns it.
const QString Registre = QStringLiteral("org.gnome.evolution.dataserver.Sources5");

// Whether the desktop's calendar service can be started on this session.
bool serviceDuBureau()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QStringList services = bus.interface()->activatableServiceNames().value() +
                                 bus.interface()->registeredServiceNames().value();
    return services.contains(Registre);
}

} // namespace

QString fichierSource()
{
    // The file's name is the source's UID.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/evolution/sources/tarvelon-fetes-et-anniversaires.source");
}

bool estInscrit()
{
    return QFile::exists(fichierSource());
}

QString serviceAbsent(const QString& agenda)
{
    if (serviceDuBureau())
        return {};
    return QStringLiteral("le service d'agendas du bureau (Evolution Data Server, celui de GNOME) "
                          "n'est pas là : rien n'est changé. Sous KDE, ajoutez à vos agendas le "
                          "fichier %1 comme ressource « Fichier iCal », en lecture seule")
        .arg(agenda);
}

QString inscrire(bool oui, const QString& agenda)
{
    if (!oui) {
        if (estInscrit() && !QFile::remove(fichierSource()))
            return QStringLiteral("le fichier %1 ne peut pas être supprimé").arg(fichierSource());
        return {};
    }
    if (const QString absent = serviceAbsent(agenda); !absent.isEmpty())
        return absent;
    // The file is there before the calendar service is told of it.
    QDir().mkpath(QFileInfo(fichierSource()).absolutePath());
    const QByteArray cle = QByteArrayLiteral("[Data Source]\n"
                                             "DisplayName=Fêtes et anniversaires\n"
                                             "Enabled=true\n"
                                             "Parent=local-stub\n"
                                             "\n"
                                             "[Calendar]\n"
                                             "BackendName=local\n"
                                             "Color=#c01c28\n"
                                             "Selected=true\n"
                                             "\n"
                                             "[Local Backend]\n"
                                             "CustomFile=") +
                           QUrl::fromLocalFile(agenda).toEncoded() +
                           QByteArrayLiteral("\nWritable=false\n");
    QSaveFile f(fichierSource());
    if (!f.open(QIODevice::WriteOnly) || f.write(cle) != cle.size() || !f.commit())
        return QStringLiteral("le fichier %1 ne peut pas être écrit").arg(fichierSource());
    return {};
}

namespace {

QString fichierQuestion()
{
    QString etat = qEnvironmentVariable("XDG_STATE_HOME");
    if (etat.isEmpty())
        etat = QDir::homePath() + QStringLiteral("/.local/state");
    return etat + QStringLiteral("/tarvelon/bureau-demande");
}

} // namespace

bool questionPosee()
{
    return QFile::exists(fichierQuestion());
}

void noterQuestionPosee()
{
    QDir().mkpath(QFileInfo(fichierQuestion()).absolutePath());
    QFile f(fichierQuestion());
    f.open(QIODevice::WriteOnly);
}

} // namespace bureau
