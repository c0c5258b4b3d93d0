#include "synchro/etat.h"

#include "socle/fichier.h"
#include "synchro/carnets.h"
#include "synchro/compte.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace synchro {

namespace {

// A state file past this is no state of Tarvelon's.
constexpr qint64 TailleMaximale = 256 << 20;

// Where a state file is written, as the exports are: the file itself, or
// the regular file a link names (the link stays); none for a device, a pipe
// or a folder. Its folder is made.
std::optional<QString> cibleEcrivable(const QString& chemin)
{
    const QFileInfo info(chemin);
    QDir().mkpath(info.absolutePath());
    const QString cible = info.isSymLink() ? info.symLinkTarget() : chemin;
    const socle::Nature nature = socle::natureDe(QFile::encodeName(cible).toStdString());
    if (nature != socle::Nature::Ordinaire && nature != socle::Nature::Absent)
        return std::nullopt;
    return cible;
}

} // namespace

QJsonObject lireFichierEtat(const QString& chemin)
{
    QFile f(chemin);
    if (!QFileInfo(chemin).isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.read(TailleMaximale)).object();
}

bool ecrireFichierEtat(const QString& chemin, const QJsonObject& etat)
{
    const std::optional<QString> cible = cibleEcrivable(chemin);
    if (!cible)
        return false;
    QSaveFile f(*cible);
    return f.open(QIODevice::WriteOnly) &&
           f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
           f.write(QJsonDocument(etat).toJson(QJsonDocument::Compact)) >= 0 && f.commit();
}

bool ajouterAuJournal(const QString& chemin, const QJsonObject& ligne)
{
    const std::optional<QString> cible = cibleEcrivable(chemin);
    if (!cible)
        return false;
    QFile f(*cible);
    return f.open(QIODevice::Append) &&
           f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
           f.write(QJsonDocument(ligne).toJson(QJsonDocument::Compact) + '\n') >= 0 && f.flush();
}

std::vector<QJsonObject> lireJournal(const QString& chemin)
{
    std::vector<QJsonObject> lignes;
    QFile f(chemin);
    if (!QFileInfo(chemin).isFile() || !f.open(QIODevice::ReadOnly))
        return lignes;
    const QByteArray tout = f.read(TailleMaximale);
    for (const QByteArray& ligne : tout.split('\n'))
        if (const QJsonDocument d = QJsonDocument::fromJson(ligne); d.isObject())
            lignes.push_back(d.object());
    return lignes;
}

VerrouDeSynchronisation::VerrouDeSynchronisation(std::chrono::milliseconds attente)
{
    QDir().mkpath(dossierEtat());
    const QByteArray chemin =
        QFile::encodeName(dossierEtat() + QStringLiteral("synchronisation.verrou"));
    m_fd = ::open(chemin.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat etat {};
    if (m_fd < 0 || ::fstat(m_fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        m_raison = QStringLiteral("le fichier %1 ne peut pas servir de verrou")
                       .arg(QFile::decodeName(chemin));
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return;
    }
    const QDeadlineTimer fin(attente);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_raison =
                QStringLiteral("le verrou %1 ne peut pas être pris").arg(QFile::decodeName(chemin));
            break;
        }
        if (fin.hasExpired()) {
            m_raison = QStringLiteral("une synchronisation est déjà en cours");
            break;
        }
        QThread::msleep(50);
    }
    if (!m_raison.isEmpty()) {
        ::close(m_fd);
        m_fd = -1;
    }
}

VerrouDeSynchronisation::~VerrouDeSynchronisation()
{
    if (m_fd >= 0)
        ::close(m_fd); // the lock goes with it
}

namespace {

socle::Fiche ficheDe(const QJsonArray& a)
{
    return {a[0].toString().toStdString(), a[1].toString().toStdString(),
            a[2].toString().toStdString(),
            a.size() == 4 ? a[3].toString().toStdString() : std::string(" ")};
}

// The sex is written only when it is not a birthday's blank.
QJsonArray enJson(const socle::Fiche& f)
{
    QJsonArray a{QString::fromStdString(f.nom), QString::fromStdString(f.date),
                 QString::fromStdString(f.annee)};
    if (f.mf != " ")
        a.append(QString::fromStdString(f.mf));
    return a;
}

} // namespace

rapprochement::EtatCarnet carnetDeJson(const QJsonObject& o)
{
    rapprochement::EtatCarnet carnet;
    carnet.jeton = o.value(QStringLiteral("jeton")).toString();
    carnet.proches = o.value(QStringLiteral("proches")).toBool();
    const QJsonObject contacts = o.value(QStringLiteral("contacts")).toObject();
    for (auto it = contacts.begin(); it != contacts.end(); ++it) {
        const QJsonObject v = it.value().toObject();
        rapprochement::Contact& contact = carnet.contacts[it.key()];
        contact.etag = v.value(QStringLiteral("etag")).toString().toUtf8();
        contact.rowid = v.value(QStringLiteral("rowid")).toInteger();
        const QJsonArray e = v.value(QStringLiteral("ecrite")).toArray();
        if (contact.rowid > 0 && (e.size() == 3 || e.size() == 4))
            contact.ecrite = ficheDe(e);
        else
            contact.rowid = 0;
        contact.deLUtilisateur = v.value(QStringLiteral("utilisateur")).toBool();
        if (const QJsonArray d = v.value(QStringLiteral("deja")).toArray();
            d.size() == 3 || d.size() == 4)
            contact.dejaLa = ficheDe(d);
        contact.illisible = v.value(QStringLiteral("illisible")).toString();
    }
    return carnet;
}

QJsonObject carnetEnJson(const rapprochement::EtatCarnet& carnet)
{
    QJsonObject contacts;
    for (const auto& [chemin, c] : carnet.contacts) {
        QJsonObject v{{QStringLiteral("etag"), QString::fromUtf8(c.etag)}};
        if (c.rowid > 0) {
            v.insert(QStringLiteral("rowid"), qint64(c.rowid));
            v.insert(QStringLiteral("ecrite"), enJson(c.ecrite));
        }
        if (c.deLUtilisateur)
            v.insert(QStringLiteral("utilisateur"), true);
        if (!c.dejaLa.nom.empty())
            v.insert(QStringLiteral("deja"), enJson(c.dejaLa));
        if (!c.illisible.isEmpty())
            v.insert(QStringLiteral("illisible"), c.illisible);
        contacts.insert(chemin, v);
    }
    return {{QStringLiteral("jeton"), carnet.jeton},
            {QStringLiteral("proches"), carnet.proches},
            {QStringLiteral("contacts"), contacts}};
}

EtatCarnets lireEtatCarnets()
{
    EtatCarnets etat;
    const QJsonObject tout = lireFichierEtat(fichierEtatCarnets());
    for (auto c = tout.begin(); c != tout.end(); ++c)
        etat[c.key()] = carnetDeJson(c.value().toObject());
    return etat;
}

bool ecrireEtatCarnets(const EtatCarnets& etat)
{
    QJsonObject tout;
    for (const auto& [url, carnet] : etat)
        tout.insert(url, carnetEnJson(carnet));
    return ecrireFichierEtat(fichierEtatCarnets(), tout);
}

} // namespace synchro
