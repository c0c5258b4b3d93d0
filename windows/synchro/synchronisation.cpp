#include "windows/synchro/synchronisation.h"

#include "platform/messagebox.h"
#include "socle/sqlite.h"
#include "synchro/motdepasse.h"
#include "synchro/synchro.h"
#include "windows/main/tarvelon.h"
#include "windows/synchro/dialogue.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QThread>
#include <QWidget>
#include <cstdio>

namespace synchro {

namespace {

// A desktop notification that asks for nothing; the error output when
// there is no notification server.
void aviserLeBureau(const QString& texte)
{
    QDBusMessage appel = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    appel << QStringLiteral("Tarvelon") << uint(0) << QStringLiteral("tarvelon")
          << QStringLiteral("Tarvelon : synchronisation") << texte << QStringList()
          << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("tarvelon")}} << int(-1);
    if (!QDBusConnection::sessionBus().isConnected() || !QDBusConnection::sessionBus().send(appel))
        std::fprintf(stderr, "tarvelon : %s\n", texte.toUtf8().constData());
}

} // namespace

Synchronisation::Avis& Synchronisation::avisSlot()
{
    static Avis avis = aviserLeBureau;
    return avis;
}

Synchronisation::Synchronisation(windows::Tarvelon* fenetre, const QString& fichierCalendrier,
                                 std::function<void()> apresChangement)
    : QObject(fenetre)
    , m_fenetre(fenetre)
    , m_fichier(fichierCalendrier)
    , m_apresChangement(std::move(apresChangement))
    , m_veille(std::make_unique<socle::Database>())
{
    qRegisterMetaType<synchro::Bilan>("synchro::Bilan");
    fenetre->ajouterAuMenu({{QStringLiteral("Synchronisation…"), [this] { configurer(); }},
                            {QStringLiteral("Synchroniser maintenant"), [this] { lancer(true); }}});

    // A change of the calendar, by the window or anybody else: a run half a
    // minute later (a second change puts it off again). The watch never
    // waits: a file another program holds is looked at again next time.
    m_veille->open(QFile::encodeName(fichierCalendrier).toStdString(), socle::OpenMode::ReadOnly);
    m_veille->setBusyTimeout(0);
    m_changement.setSingleShot(true);
    connect(&m_changement, &QTimer::timeout, this, [this] { lancer(false); });
    connect(&m_sondage, &QTimer::timeout, this, &Synchronisation::surveiller);
    connect(&m_carnets, &QTimer::timeout, this, [this] { lancer(false); });

    // A run at start, once the window is up.
    QTimer::singleShot(0, this, [this] {
        m_carnets.start(periodeCarnets);
        m_sondage.start(periodeVeille);
        if (lireCompte())
            lancer(false);
    });
}

Synchronisation::~Synchronisation()
{
    if (m_travail) {
        m_travail->wait();
        delete m_travail;
    }
}

void Synchronisation::surveiller()
{
    // Only while an account is set up, and never during a run: its own
    // commits are no change to follow (the run's end looks again).
    if (m_travail)
        return;
    if (!lireCompte()) {
        m_version.reset();
        return;
    }
    const std::optional<std::int64_t> version = m_veille->dataVersion();
    if (!version)
        return; // held by another program: looked at again next time
    if (m_version && version != m_version)
        m_changement.start(delaiApresChangement);
    m_version = version;
}

// No keyring, nor a command's answer: asked once per session, when the user
// asks for a run (a run in the background never opens a box).
std::optional<QString> Synchronisation::demanderMotDePasse(const Compte& compte, bool demande)
{
    if (!compte.commandeMotDePasse.isEmpty() || !demande)
        return std::nullopt;
    bool ok = false;
    const QString tape = QInputDialog::getText(
        m_fenetre, QStringLiteral("Synchronisation"),
        QStringLiteral("Mot de passe de %1 sur %2 :").arg(compte.utilisateur, compte.adresse),
        QLineEdit::Password, QString(), &ok);
    if (!ok || tape.isEmpty())
        return std::nullopt;
    m_motDePasse = tape;
    return m_motDePasse;
}

void Synchronisation::lancer(bool demande)
{
    const std::optional<Compte> compte = lireCompte();
    if (!compte) {
        if (demande)
            configurer();
        return;
    }
    if (m_travail) { // one at a time: this one follows
        m_encore = true;
        return;
    }
    if (demande) {
        m_avancement = new QProgressDialog(m_fenetre);
        m_avancement->setObjectName(QStringLiteral("Avancement"));
        m_avancement->setWindowTitle(QStringLiteral("Synchronisation"));
        m_avancement->setCancelButton(nullptr);
        m_avancement->setMinimumDuration(2000);
        m_avancement->setRange(0, 0);
        m_avancement->setLabelText(QStringLiteral("Synchronisation en cours…"));
    }
    const auto avancement = [this](int fait, int total) {
        QMetaObject::invokeMethod(
            this,
            [this, fait, total] {
                if (!m_avancement)
                    return;
                m_avancement->setRange(0, total);
                m_avancement->setValue(fait);
                m_avancement->setLabelText(QStringLiteral("Agenda : %1 / %2").arg(fait).arg(total));
            },
            Qt::QueuedConnection);
    };
    // The password is read in the run's thread too: the user's command or
    // the keyring may wait (a PIN asked, a prompt), never the window.
    m_travail = QThread::create([this, c = *compte, connu = m_motDePasse, fichier = m_fichier,
                                 demande, avancement] {
        std::optional<QString> mdp = connu;
        if (!mdp)
            mdp = lireMotDePasse(c).valeur;
        if (!mdp) {
            QMetaObject::invokeMethod(
                this, [this, c, demande] { sansMotDePasse(c, demande); }, Qt::QueuedConnection);
            return;
        }
        const Bilan bilan = synchroniser(c, *mdp, fichier, avancement);
        QMetaObject::invokeMethod(
            this, [this, bilan, mdp, demande] { fin(bilan, demande, mdp); }, Qt::QueuedConnection);
    });
    m_travail->start();
}

void Synchronisation::finDuTravail()
{
    delete m_avancement.data();
    m_travail->wait();
    delete m_travail;
    m_travail = nullptr;
}

void Synchronisation::sansMotDePasse(const Compte& compte, bool demande)
{
    finDuTravail();
    if (const std::optional<QString> tape = demanderMotDePasse(compte, demande)) {
        m_motDePasse = tape;
        lancer(demande);
        return;
    }
    if (demande)
        platform::msgBox(QStringLiteral("La synchronisation n'a pas pu se faire : aucun mot "
                                        "de passe."),
                         platform::MbInformation, QStringLiteral("Synchronisation"));
    else if (!std::exchange(m_echecDit, true))
        avisSlot()(QStringLiteral("La synchronisation attend le mot de passe de %1 : "
                                  "choisissez « Synchroniser maintenant » dans le menu de la "
                                  "fenêtre (clic droit).")
                       .arg(compte.utilisateur));
    if (std::exchange(m_encore, false))
        lancer(false);
}

void Synchronisation::fin(const Bilan& bilan, bool demande, const std::optional<QString>& mdp)
{
    finDuTravail();
    // Kept for the session, whoever gave it (the keyring, the command, the user).
    m_motDePasse = mdp;
    m_version = m_veille->dataVersion(); // the run's own commits taken as seen
    if (!bilan.reussi && bilan.texte.contains(QStringLiteral("mot de passe")))
        m_motDePasse.reset(); // asked again next time
    if (bilan.tableChangee && m_apresChangement)
        m_apresChangement();
    // The calendar holds another installation's events: nothing came in,
    // nothing was published before the user's word (asked once a session
    // when the run was not the user's).
    if (!bilan.question.isEmpty() && (demande || !std::exchange(m_questionPosee, true))) {
        const int reponse =
            platform::msgBox(bilan.question + platform::LineBreak +
                                 QStringLiteral("Les ajouter au calendrier, et les tenir à jour ?"),
                             platform::MbYesNoQuestion, QStringLiteral("Synchronisation"));
        if (std::optional<Compte> compte = lireCompte()) {
            compte->partage = reponse == platform::AnswerYes;
            QString erreur;
            if (!ecrireCompte(*compte, &erreur)) {
                platform::msgBox(
                    QStringLiteral("La synchronisation n'a pas pu se faire : %1.").arg(erreur),
                    platform::MbInformation, QStringLiteral("Synchronisation"));
                return;
            }
        }
        lancer(demande);
        return;
    }
    if (demande)
        platform::msgBox(bilan.texte, platform::MbInformation, QStringLiteral("Synchronisation"));
    else if (!bilan.reussi && !m_echecDit)
        avisSlot()(bilan.texte);
    m_echecDit = !bilan.reussi && (m_echecDit || !demande);
    if (bilan.reussi)
        m_echecDit = false;
    emit terminee(bilan);
    if (std::exchange(m_encore, false))
        lancer(false);
}

void Synchronisation::configurer()
{
    DialogueCompte dialogue(m_fenetre, lireCompte(), m_fichier);
    if (dialogue.exec() != QDialog::Accepted)
        return;
    if (dialogue.motDePasseDeSession())
        m_motDePasse = dialogue.motDePasseDeSession();
    lancer(true);
}

} // namespace synchro
