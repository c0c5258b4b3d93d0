#include "synchro/motdepasse.h"

#include "dav/client.h"

#include <QEventLoop>
#include <QProcess>
#include <csignal>
#include <qt6keychain/keychain.h>
#include <unistd.h>

namespace synchro {

namespace {

const QString Service = QStringLiteral("Tarvelon");

QString cle(const Compte& compte)
{
    return compte.utilisateur + QLatin1Char('@') + dav::origin(compte.origine());
}

// Runs a keyring job to its end.
void attendre(QKeychain::Job& job)
{
    QEventLoop boucle;
    QObject::connect(&job, &QKeychain::Job::finished, &boucle, &QEventLoop::quit);
    job.start();
    boucle.exec(QEventLoop::ExcludeUserInputEvents);
}

bool sansTrousseau(QKeychain::Error erreur)
{
    return erreur == QKeychain::NoBackendAvailable || erreur == QKeychain::NotImplemented ||
           erreur == QKeychain::OtherError;
}

// The keyring's refusal in French (its own words are English, and name
// D-Bus or X11 rather than what the user can do).
QString raisonDuTrousseau(QKeychain::Error erreur)
{
    switch (erreur) {
    case QKeychain::NoBackendAvailable:
        return QStringLiteral("cette session n'a pas de trousseau");
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        return QStringLiteral("l'accès au trousseau a été refusé");
    default:
        return QStringLiteral("il ne répond pas");
    }
}

} // namespace

MotDePasse motDePasseDeCommande(const QString& commande, int attenteMs)
{
    MotDePasse m;
    QProcess processus;
    // A group of its own: what the command starts goes with it when it is
    // given up.
    processus.setChildProcessModifier([] { ::setsid(); });
    processus.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commande});
    if (!processus.waitForFinished(attenteMs)) {
        if (const qint64 pid = processus.processId(); pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        processus.kill();
        processus.waitForFinished();
        m.erreur =
            QStringLiteral("la commande du mot de passe (%1) ne s'est pas terminée").arg(commande);
        return m;
    }
    if (processus.exitStatus() != QProcess::NormalExit || processus.exitCode() != 0) {
        m.erreur = QStringLiteral("la commande du mot de passe (%1) a échoué").arg(commande);
        return m;
    }
    const QString ligne =
        QString::fromUtf8(processus.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
    if (ligne.isEmpty()) {
        m.erreur = QStringLiteral("la commande du mot de passe (%1) n'a rien écrit").arg(commande);
        return m;
    }
    if (ligne.size() > LongueurMaxMotDePasse) {
        m.erreur = QStringLiteral("la commande du mot de passe (%1) écrit plus de %2 caractères : "
                                  "ce n'est pas un mot de passe")
                       .arg(commande)
                       .arg(LongueurMaxMotDePasse);
        return m;
    }
    m.valeur = ligne;
    return m;
}

MotDePasse lireMotDePasse(const Compte& compte)
{
    if (!compte.commandeMotDePasse.isEmpty())
        return motDePasseDeCommande(compte.commandeMotDePasse);
    MotDePasse m;
    QKeychain::ReadPasswordJob job(Service);
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.setKey(cle(compte));
    attendre(job);
    if (job.error() == QKeychain::NoError) {
        m.valeur = job.textData();
        return m;
    }
    m.sansTrousseau = sansTrousseau(job.error());
    m.erreur = job.error() == QKeychain::EntryNotFound
                   ? QStringLiteral("le trousseau du bureau n'a pas le mot de passe de %1")
                         .arg(compte.utilisateur)
                   : QStringLiteral("le trousseau du bureau ne peut pas être lu (%1)")
                         .arg(raisonDuTrousseau(job.error()));
    return m;
}

bool garderMotDePasse(const Compte& compte, const QString& motDePasse, QString* erreur)
{
    QKeychain::WritePasswordJob job(Service);
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.setKey(cle(compte));
    job.setTextData(motDePasse);
    attendre(job);
    if (job.error() == QKeychain::NoError)
        return true;
    *erreur = QStringLiteral("le mot de passe ne peut pas être gardé dans le trousseau du "
                             "bureau (%1)")
                  .arg(raisonDuTrousseau(job.error()));
    return false;
}

} // namespace synchro
