#include "windows/bureau/bureau.h"

#include "bureau/agenda.h"
#include "bureau/recherche.h"
#include "bureau/source.h"
#include "platform/controls.h"
#include "platform/messagebox.h"
#include "socle/sqlite.h"
#include "windows/main/tarvelon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QThread>
#include <functional>
#include <memory>

namespace bureau {

namespace {

// Once the window's start has run: the title card gone, today's date shown
// (the start may let events through on its way: seen so twice in a row).
void apresLeDemarrage(windows::Tarvelon* fenetre, std::function<void()> faire)
{
    auto* attente = new QTimer(fenetre);
    auto vu = std::make_shared<int>(0);
    QObject::connect(attente, &QTimer::timeout, fenetre, [=] {
        const bool fait = !fenetre->PremiereActivation && !QApplication::activeModalWidget() &&
                          !fenetre->Label2->text().isEmpty();
        *vu = fait ? *vu + 1 : 0;
        if (*vu < 2)
            return;
        attente->stop();
        attente->deleteLater();
        faire();
    });
    attente->start(100);
}

} // namespace

Bureau::Bureau(windows::Tarvelon* fenetre, const QString& fichierCalendrier)
    : QObject(fenetre)
    , m_fenetre(fenetre)
    , m_fichier(fichierCalendrier)
    , m_veille(std::make_unique<socle::Database>())
{
    fenetre->ajouterCaseAuMenu({QStringLiteral("Afficher dans le calendrier du bureau"),
                                [] { return estInscrit(); }, [this](bool oui) { changer(oui); }});
    // A change by anybody: the file rewritten a moment later. The watch
    // never waits: a file another program holds is looked at next time.
    m_veille->open(QFile::encodeName(fichierCalendrier).toStdString(), socle::OpenMode::ReadOnly);
    m_veille->setBusyTimeout(0);
    m_changement.setSingleShot(true);
    connect(&m_changement, &QTimer::timeout, this, &Bureau::ecrire);
    connect(&m_sondage, &QTimer::timeout, this, &Bureau::surveiller);
    // At start, what another program changed since; then the question.
    QTimer::singleShot(0, this, [this] {
        m_version = m_veille->dataVersion(); // what the first writing reads
        m_sondage.start(periodeVeille);
        ecrire();
    });
    // Asked once the title card has gone.
    apresLeDemarrage(fenetre, [this] { demanderUneFois(); });
}

Bureau::~Bureau()
{
    if (m_travail) {
        m_travail->wait();
        delete m_travail;
    }
}

void Bureau::surveiller()
{
    const std::optional<std::int64_t> version = m_veille->dataVersion();
    if (!version)
        return;
    if (m_version && version != m_version)
        m_changement.start(delaiApresChangement);
    m_version = version;
}

void Bureau::ecrire()
{
    if (m_travail) {
        m_encore = true;
        return;
    }
    m_travail = QThread::create([calendrier = m_fichier] { actualiserAgenda(calendrier); });
    connect(m_travail, &QThread::finished, this, [this] {
        m_travail->wait();
        delete m_travail;
        m_travail = nullptr;
        if (std::exchange(m_encore, false))
            ecrire();
    });
    m_travail->start();
}

void Bureau::changer(bool oui)
{
    if (oui && !QFile::exists(fichierAgenda()))
        ecrire();
    const QString erreur = inscrire(oui, fichierAgenda());
    if (!erreur.isEmpty())
        platform::msgBox(
            QStringLiteral("Le calendrier du bureau n'a pas pu être changé : %1.").arg(erreur),
            platform::MbInformation, QStringLiteral("Calendrier du bureau"));
}

void Bureau::demanderUneFois()
{
    const QString bureau = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (!bureau.contains(QLatin1String("GNOME"), Qt::CaseInsensitive) &&
        !bureau.contains(QLatin1String("KDE"), Qt::CaseInsensitive))
        return;
    if (questionPosee() || estInscrit())
        return;
    noterQuestionPosee();
    if (platform::msgBox(QStringLiteral("Afficher les fêtes et anniversaires dans le calendrier "
                                        "du bureau ?"),
                         platform::MbYesNoQuestion,
                         QStringLiteral("Calendrier du bureau")) == platform::AnswerYes)
        changer(true);
}

void montrerFiche(windows::Tarvelon* fenetre, const QString& id)
{
    const std::optional<socle::Fiche> fiche = ficheDeLId(id);
    if (!fiche || fiche->date.empty() || fiche->nom.empty())
        return;
    const QString date = QString::fromStdString(fiche->date);
    const QString nom = QString::fromStdString(fiche->nom);
    const bool fete = fiche->estFete();
    apresLeDemarrage(fenetre, [=] {
        if (fenetre->ModeFetes != fete)
            fenetre->SSCommand5_Click();
        fenetre->Text2->setText(fete ? date : nom);
        fenetre->SSCommand3_Click();
    });
}

} // namespace bureau
