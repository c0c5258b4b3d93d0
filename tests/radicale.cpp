#include "radicale.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

namespace test {

Radicale::Radicale() = default;

Radicale::~Radicale()
{
    arreter();
}

bool Radicale::exigee()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

QString Radicale::stockage() const
{
    return m_dossier.filePath(QStringLiteral("collections"));
}

QUrl Radicale::creerCarnet(const QString& chemin, const QString& nom) const
{
    const QString dossier = stockage() + QStringLiteral("/collection-root/alice/") + chemin;
    QDir().mkpath(dossier);
    QFile props(dossier + QStringLiteral("/.Radicale.props"));
    if (!props.open(QIODevice::WriteOnly))
        return {};
    props.write(
        QStringLiteral("{\"D:displayname\": \"%1\", \"tag\": \"VADDRESSBOOK\"}").arg(nom).toUtf8());
    return url().resolved(QUrl(QStringLiteral("alice/") + chemin + QLatin1Char('/')));
}

bool Radicale::deposer(const QString& chemin, const QString& fichier, const QByteArray& carte) const
{
    QFile f(stockage() + QStringLiteral("/collection-root/alice/") + chemin + QLatin1Char('/') +
            fichier);
    return f.open(QIODevice::WriteOnly) && f.write(carte) == carte.size();
}

QUrl Radicale::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

bool Radicale::enMarche() const
{
    return m_serveur && m_serveur->state() == QProcess::Running;
}

bool Radicale::demarrer(int port)
{
    arreter();
    const QString python = QStringLiteral("/usr/bin/python3");
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import radicale")}) != 0) {
        m_pourquoi = QStringLiteral("Radicale is missing: apt install python3-radicale");
        return false;
    }
    QFile utilisateurs(m_dossier.filePath(QStringLiteral("users")));
    if (!utilisateurs.open(QIODevice::WriteOnly))
        return false;
    utilisateurs.write("alice:secret\nbob:autre\n");
    utilisateurs.close();
    QFile config(m_dossier.filePath(QStringLiteral("config")));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n"
                                "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
                                "htpasswd_encryption = plain\ndelay = 0\n"
                                "[storage]\nfilesystem_folder = %3\n"
                                "[rights]\ntype = owner_only\n"
                                "[logging]\nlevel = info\n")
                     .arg(port)
                     .arg(utilisateurs.fileName(), stockage())
                     .toUtf8());
    config.close();
    // Its log goes to a file (a pipe nobody reads would stop it once full).
    const QString log = m_dossier.filePath(QStringLiteral("log"));
    QFile::remove(log);
    m_serveur = std::make_unique<QProcess>();
    m_serveur->setProcessChannelMode(QProcess::MergedChannels);
    m_serveur->setStandardOutputFile(log);
    m_serveur->start(python, {QStringLiteral("-m"), QStringLiteral("radicale"),
                              QStringLiteral("--config"), config.fileName()});
    // The port is read from its log.
    static const QRegularExpression ecoute(
        QStringLiteral("Listening on '\\[?127\\.0\\.0\\.1\\]?:(\\d+)'"));
    QByteArray journal;
    QElapsedTimer attente;
    attente.start();
    while (attente.elapsed() < 15000 && m_serveur->state() != QProcess::NotRunning) {
        m_serveur->waitForFinished(100);
        QFile f(log);
        if (f.open(QIODevice::ReadOnly))
            journal = f.readAll();
        const QRegularExpressionMatch m = ecoute.match(QString::fromUtf8(journal));
        if (m.hasMatch() && journal.contains("ready")) {
            m_port = m.captured(1).toInt();
            return true;
        }
    }
    m_pourquoi = QStringLiteral("Radicale did not start: ") + QString::fromUtf8(journal.right(400));
    arreter();
    return false;
}

void Radicale::arreter()
{
    if (!m_serveur)
        return;
    m_serveur->kill();
    m_serveur->waitForFinished(5000);
    m_serveur.reset();
}

} // namespace test
