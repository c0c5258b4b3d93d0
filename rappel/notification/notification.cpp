// tarvelon-rappel-notification: today's reminder as one desktop notification
// (org.freedesktop.Notifications over the session bus), at most once a day.
// tarvelon-rappel --notification hands over to it.
//
// The caller gets its answer as soon as the notification is shown: the
// program splits in two before touching D-Bus. The part that goes on holds
// the bus connection that sent the notification (some servers tell a click
// only to that connection), starts tarvelon on a click, and ends when the
// notification is closed or after WaitForClick.
#include "rappel/notification/etat.h"
#include "rappel/options.h"
#include "rappel/texte.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Chemin = QStringLiteral("/org/freedesktop/Notifications");

// How long a click on the notification may still open Tarvelon.
constexpr int WaitForClick = 8 * 60 * 60 * 1000;

QString echapper(const std::string& texte)
{
    return QString::fromStdString(texte).toHtmlEscaped();
}

// Waits for the click on the notification it sent, then starts tarvelon.
class Notifieur : public QObject {
    Q_OBJECT
public:
    explicit Notifieur(QDBusConnection bus) : m_bus(std::move(bus)) {}

    // Sends the notification; false with a French reason.
    bool envoyer(const rappel::Notification& texte, QString& erreur)
    {
        if (!m_bus.isConnected()) {
            erreur = QStringLiteral("pas de bus de session D-Bus (la session de bureau est-elle "
                                    "ouverte ?)");
            return false;
        }
        const auto present = m_bus.interface()->isServiceRegistered(Service);
        const auto activable = m_bus.interface()->activatableServiceNames();
        if (!present.value() && !activable.value().contains(Service)) {
            erreur = QStringLiteral("aucun serveur de notifications ne répond sur le bus de "
                                    "session");
            return false;
        }
        const QDBusReply<QStringList> capacites = m_bus.call(QDBusMessage::createMethodCall(
            Service, Chemin, Service, QStringLiteral("GetCapabilities")));
        m_actions = capacites.isValid() && capacites.value().contains(QStringLiteral("actions"));
        // The texts are the user's data: escaped where the server reads markup.
        const bool balises =
            capacites.isValid() && capacites.value().contains(QStringLiteral("body-markup"));

        // Listening before sending: a click may come at once.
        m_bus.connect(Service, Chemin, Service, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
        m_bus.connect(Service, Chemin, Service, QStringLiteral("NotificationClosed"), this,
                      SLOT(notificationClosed(uint, uint)));

        QStringList actions;
        if (m_actions)
            actions << QStringLiteral("default") << QStringLiteral("Ouvrir Tarvelon");
        QVariantMap indices;
        indices.insert(QStringLiteral("desktop-entry"), QStringLiteral("tarvelon"));
        indices.insert(QStringLiteral("category"), QStringLiteral("x-tarvelon.rappel"));
        QDBusMessage appel =
            QDBusMessage::createMethodCall(Service, Chemin, Service, QStringLiteral("Notify"));
        appel << QStringLiteral("Tarvelon") << uint(0) << QStringLiteral("tarvelon")
              << QString::fromStdString(texte.resume)
              << (balises ? echapper(texte.corps) : QString::fromStdString(texte.corps)) << actions
              << indices << int(-1);
        const QDBusReply<uint> id = m_bus.call(appel);
        if (!id.isValid()) {
            erreur = QStringLiteral("le serveur de notifications a refusé le rappel");
            return false;
        }
        m_id = id.value();
        return true;
    }

    bool attendClic() const { return m_actions; }

private Q_SLOTS:
    void actionInvoked(uint id, const QString& action)
    {
        if (id != m_id || action != QLatin1String("default"))
            return;
        QProcess::startDetached(tarvelon(), {});
        QCoreApplication::quit();
    }

    void notificationClosed(uint id, uint /*reason*/)
    {
        if (id == m_id)
            QCoreApplication::quit();
    }

private:
    // tarvelon beside this program (the build tree), or where it is
    // installed relative to it, else from PATH.
    static QString tarvelon()
    {
        const QString ici = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        for (const QString& chemin :
             {ici + QStringLiteral("tarvelon"), ici + QStringLiteral(TARVELON_FENETRE)}) {
            if (QFileInfo(chemin).isExecutable())
                return chemin;
        }
        const QString trouve = QStandardPaths::findExecutable(QStringLiteral("tarvelon"));
        return trouve.isEmpty() ? QStringLiteral("tarvelon") : trouve;
    }

    QDBusConnection m_bus;
    uint m_id = 0;
    bool m_actions = false;
};

int erreur(const QString& texte)
{
    std::fprintf(stderr, "tarvelon-rappel : %s\n", texte.toUtf8().constData());
    return 1;
}

std::string jourIso(rappel::Jour date)
{
    char texte[16];
    std::snprintf(texte, sizeof texte, "%04d-%02u-%02u", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()));
    return texte;
}

// The part that goes on: sends, tells the caller through the pipe, then
// waits for the click.
int envoyerEtAttendre(int argc, char** argv, const rappel::Notification& texte, EtatRappel& etat,
                      const std::string& jour, int tube)
{
    QCoreApplication app(argc, argv);
    Notifieur notifieur(QDBusConnection::sessionBus());
    QString raison;
    const bool envoye = notifieur.envoyer(texte, raison);
    std::string noteImpossible;
    if (envoye && !etat.noter(jour, noteImpossible))
        std::fprintf(stderr, "tarvelon-rappel : %s\n", noteImpossible.c_str());
    etat.liberer();
    if (!envoye)
        erreur(QStringLiteral("la notification n'a pas pu être envoyée : ") + raison + '.');
    const char resultat = envoye ? 0 : 1;
    [[maybe_unused]] const ssize_t ecrit = ::write(tube, &resultat, 1);
    ::close(tube);
    if (!envoye || !notifieur.attendClic())
        return envoye ? 0 : 1;

    // Nothing more is said: the caller may be reading our output until it ends.
    const int rien = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int fd : {0, 1, 2})
        ::dup2(rien, fd);
    QTimer::singleShot(WaitForClick, &app, &QCoreApplication::quit);
    // A session that ends takes its bus along: nothing more can come.
    QTimer busPerdu;
    QObject::connect(&busPerdu, &QTimer::timeout, &app, [] {
        if (!QDBusConnection::sessionBus().isConnected())
            QCoreApplication::quit();
    });
    busPerdu.start(30 * 1000);
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    std::string erreurOptions;
    const auto options = rappel::lireOptions(argc, argv, erreurOptions);
    if (!options) {
        std::fprintf(stderr, "tarvelon-rappel : %s\n", erreurOptions.c_str());
        return 2;
    }

    const std::string dossier = rappel::dossierDonnees();
    const socle::Parametres parametres = socle::Parametres::lire(dossier + "tarvelon.inf");
    const int joursEnPlus = options->jours.value_or(
        rappel::lireJours(parametres.valeur("Rappel", "Jours", "0")).value_or(0));
    const rappel::Jour jour = options->date.value_or(rappel::aujourdhui());
    const rappel::Calendrier calendrier =
        rappel::lireCalendrier(dossier + "tarvelon.db", rappel::clesDesJours(jour, joursEnPlus));
    if (!calendrier.lu) {
        std::fprintf(stderr, "tarvelon-rappel : %s\n", calendrier.erreur.c_str());
        return 1;
    }
    std::vector<rappel::JourRappel> jours;
    for (int dans = 0; dans <= joursEnPlus; ++dans)
        jours.push_back(rappel::rappelDu(
            calendrier.fiches, parametres,
            rappel::Jour(std::chrono::sys_days(jour) + std::chrono::days(dans)), dans));
    const auto texte = rappel::notification(jours);
    if (!texte)
        return 0; // nothing to tell: no notification

    EtatRappel etat(rappel::dossierEtat());
    std::string raison;
    if (!etat.verrouiller(raison))
        return erreur(QString::fromStdString(raison) + '.');
    const std::string iso = jourIso(jour);
    if (!options->forcer && etat.dernierJour() == iso) {
        std::printf("Le rappel du %s a déjà été montré (--forcer le montre de nouveau).\n",
                    rappel::jourEnMots(jour).c_str());
        return 0;
    }

    int tube[2];
    if (::pipe2(tube, O_CLOEXEC) != 0)
        return erreur(QStringLiteral("le rappel ne peut pas être lancé"));
    std::fflush(nullptr);
    const pid_t enfant = ::fork();
    if (enfant < 0)
        return erreur(QStringLiteral("le rappel ne peut pas être lancé"));
    if (enfant == 0) {
        ::close(tube[0]);
        ::setsid(); // not ended with the terminal or the session's start script
        ::_exit(envoyerEtAttendre(argc, argv, *texte, etat, iso, tube[1]));
    }
    ::close(tube[1]);
    etat.liberer(); // the lock stays with the part that goes on until it has noted the day
    char resultat = 1;
    ssize_t lu;
    while ((lu = ::read(tube[0], &resultat, 1)) < 0 && errno == EINTR) {
    }
    if (lu != 1) // ended without a word
        return erreur(QStringLiteral("la notification n'a pas pu être envoyée."));
    return resultat == 0 ? 0 : 1;
}

#include "notification.moc"
