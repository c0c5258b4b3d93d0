// tarvelon-rappel-notification: today's reminder as one desktop notification
// (org.freedesktop.Notifications over the session bus), at most once a day.
// tarvelon-rappel --notification hands over to it.
//
// The caller gets its answer as soon as the notification is shown, or after
// AttenteReponse when the server does not answer: the program splits in two
// before touching D-Bus. The part that goes on holds the bus connection that
// sent the notification (some servers tell a click only to that
// connection), notes the day once the server has shown it (even late),
// starts tarvelon on a click, and ends when the notification is closed, when
// the server or the session's bus goes, or after AttenteClic.
#include "bureau/agenda.h"
#include "rappel/notification/etat.h"
#include "rappel/options.h"
#include "rappel/texte.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Chemin = QStringLiteral("/org/freedesktop/Notifications");

// How long the caller waits for the server's answer.
constexpr int AttenteReponse = 5000;
// How long a late answer is still taken, to note the day it was shown.
constexpr int AttenteReponseTardive = 120 * 1000;
// How long a click on the notification may still open Tarvelon.
constexpr int AttenteClic = 8 * 60 * 60 * 1000;

QString echapper(const std::string& texte)
{
    return QString::fromStdString(texte).toHtmlEscaped();
}

// tarvelon beside this program (the build tree), or where it is installed
// relative to it, else from PATH.
QString tarvelon()
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

// True when this program runs inside a systemd unit (the morning timer's
// service): what it starts would be ended with the unit. systemd gives its
// services an INVOCATION_ID, and their control group is named for them.
bool dansUneUnite()
{
    if (qEnvironmentVariableIsSet("INVOCATION_ID"))
        return true;
    QFile groupe(QStringLiteral("/proc/self/cgroup"));
    if (!groupe.open(QIODevice::ReadOnly))
        return false;
    return groupe.readAll().contains(".service");
}

// In a scope of its own in the user's manager: systemd-run moves itself
// there, then becomes the window. Started apart and never waited for (the
// window may stay open all day); only until it has left this unit, which
// ends with this program. False when the user's manager takes no scope.
bool lancerDansUnScope(const QString& systemdRun, const QString& programme)
{
    const QStringList options{QStringLiteral("--user"),     QStringLiteral("--scope"),
                              QStringLiteral("--quiet"),    QStringLiteral("--collect"),
                              QStringLiteral("--no-block"), QStringLiteral("--")};
    if (QProcess::execute(systemdRun, options + QStringList{QStringLiteral("true")}) != 0)
        return false;
    qint64 pid = 0;
    if (!QProcess::startDetached(systemdRun, options + QStringList{programme}, {}, &pid))
        return false;
    const QDeadlineTimer fin(5000);
    while (!fin.hasExpired()) {
        QFile commande(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!commande.open(QIODevice::ReadOnly) || !commande.readAll().contains("systemd-run"))
            break; // the window now, or already gone
        QThread::msleep(20);
    }
    return true;
}

// Starts the window once, where it outlives this program: out of the
// service's unit when there is one.
void lancerTarvelon()
{
    const QString programme = tarvelon();
    if (dansUneUnite()) {
        const QString systemdRun = QStandardPaths::findExecutable(QStringLiteral("systemd-run"));
        if (!systemdRun.isEmpty() && lancerDansUnScope(systemdRun, programme))
            return;
    }
    QProcess::startDetached(programme, {});
}

// Sends the notification, notes the day once it is shown, waits for a click.
class Notifieur : public QObject {
    Q_OBJECT
public:
    Notifieur(QDBusConnection bus, EtatRappel& etat, std::string jour, int tube)
        : m_bus(std::move(bus)), m_etat(etat), m_jour(std::move(jour)), m_tube(tube)
    {
    }

    // Sends the notification; false at once with a French reason when
    // nothing can be sent.
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
        const QDBusReply<QStringList> capacites =
            m_bus.call(QDBusMessage::createMethodCall(Service, Chemin, Service,
                                                      QStringLiteral("GetCapabilities")),
                       QDBus::Block, AttenteReponse);
        if (capacites.error().type() == QDBusError::NoReply ||
            capacites.error().type() == QDBusError::Timeout) {
            erreur = QStringLiteral("le serveur de notifications ne répond pas");
            return false;
        }
        m_actions = capacites.isValid() && capacites.value().contains(QStringLiteral("actions"));
        // The texts are the user's data: escaped where the server reads markup.
        const bool balises =
            capacites.isValid() && capacites.value().contains(QStringLiteral("body-markup"));

        // Listening before sending: a click may come at once.
        m_bus.connect(Service, Chemin, Service, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
        m_bus.connect(Service, Chemin, Service, QStringLiteral("NotificationClosed"), this,
                      SLOT(notificationClosed(uint, uint)));
        // A server that goes away takes its notification along.
        auto* serveur = new QDBusServiceWatcher(Service, m_bus,
                                                QDBusServiceWatcher::WatchForUnregistration, this);
        connect(serveur, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            if (m_montree)
                QCoreApplication::quit();
        });

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
        auto* reponse =
            new QDBusPendingCallWatcher(m_bus.asyncCall(appel, AttenteReponseTardive), this);
        connect(reponse, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* r) { repondu(*r); });
        // The caller is not held longer than this; a late answer is still
        // taken, and the day noted then.
        QTimer::singleShot(AttenteReponse, this, [this] {
            if (!m_montree)
                direAuLanceur(false, QStringLiteral("le serveur de notifications ne répond pas"));
        });
        return true;
    }

private Q_SLOTS:
    void actionInvoked(uint id, const QString& action)
    {
        if (!m_montree || id != m_id || action != QLatin1String("default"))
            return;
        lancerTarvelon();
        QCoreApplication::quit();
    }

    void notificationClosed(uint id, uint /*reason*/)
    {
        if (m_montree && id == m_id)
            QCoreApplication::quit();
    }

private:
    void repondu(const QDBusPendingCallWatcher& r)
    {
        const QDBusPendingReply<uint> id = r;
        if (id.isError()) {
            direAuLanceur(false, id.error().type() == QDBusError::NoReply
                                     ? QStringLiteral("le serveur de notifications ne répond pas")
                                     : QStringLiteral("le serveur de notifications a refusé le "
                                                      "rappel"));
            QCoreApplication::exit(1);
            return;
        }
        m_id = id.value();
        m_montree = true;
        // Shown: the day is noted now, even when the caller gave up waiting.
        std::string impossible;
        if (!m_etat.noter(m_jour, impossible))
            std::fprintf(stderr, "tarvelon-rappel : %s\n", impossible.c_str());
        m_etat.liberer();
        direAuLanceur(true, {});
        if (!m_actions)
            QCoreApplication::quit();
    }

    // The caller's answer, once: shown, or why not.
    void direAuLanceur(bool montree, const QString& raison)
    {
        if (m_tube < 0)
            return;
        if (!montree)
            std::fprintf(stderr,
                         "tarvelon-rappel : la notification n'a pas pu être envoyée : %s.\n",
                         raison.toUtf8().constData());
        const char resultat = montree ? 0 : 1;
        [[maybe_unused]] const ssize_t ecrit = ::write(m_tube, &resultat, 1);
        ::close(m_tube);
        m_tube = -1;
        // Nothing more is said: the caller may be reading our output until it ends.
        const int rien = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        for (int fd : {0, 1, 2})
            ::dup2(rien, fd);
    }

    QDBusConnection m_bus;
    EtatRappel& m_etat;
    std::string m_jour;
    int m_tube;
    uint m_id = 0;
    bool m_actions = false;
    bool m_montree = false;
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

// The part that goes on: sends, tells the caller through the pipe, notes the
// day when the notification is shown, then waits for the click.
int envoyerEtAttendre(int argc, char** argv, const rappel::Notification& texte, EtatRappel& etat,
                      const std::string& jour, int tube)
{
    QCoreApplication app(argc, argv);
    Notifieur notifieur(QDBusConnection::sessionBus(), etat, jour, tube);
    QString raison;
    if (!notifieur.envoyer(texte, raison)) {
        etat.liberer();
        erreur(QStringLiteral("la notification n'a pas pu être envoyée : ") + raison + '.');
        const char echec = 1;
        [[maybe_unused]] const ssize_t ecrit = ::write(tube, &echec, 1);
        ::close(tube);
        return 1;
    }
    QTimer::singleShot(AttenteClic, &app, &QCoreApplication::quit);
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
    // The morning run keeps the desktop's calendar file in step with what
    // another program changed since.
    const bureau::Ecriture fichierDuBureau =
        bureau::actualiserAgenda(QString::fromStdString(dossier + "tarvelon.db"),
                                 QString::fromStdString(dossier + "tarvelon.ics"));
    if (!fichierDuBureau.erreur.isEmpty())
        std::fprintf(stderr, "tarvelon-rappel : le calendrier du bureau n'est pas à jour : %s.\n",
                     fichierDuBureau.erreur.toUtf8().constData());
    std::vector<rappel::JourRappel> jours;
    for (int dans = 0; dans <= joursEnPlus; ++dans)
        jours.push_back(
            rappel::rappelDu(calendrier.fiches, parametres,
                             rappel::Jour(std::chrono::sys_days(jour) + std::chrono::days(dans)),
                             dans, calendrier.proches));
    const auto texte = rappel::notification(jours);
    if (!texte)
        return 0; // nothing to tell: no notification

    // The day told is kept in the state directory; when it cannot be, the
    // day is told all the same, once more at each run.
    EtatRappel etat(rappel::dossierEtat());
    std::string raison;
    if (!etat.verrouiller(raison))
        std::fprintf(stderr,
                     "tarvelon-rappel : %s ; le rappel est montré, mais le jour ne peut pas être "
                     "noté.\n",
                     raison.c_str());
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
