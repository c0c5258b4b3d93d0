#include "synchro/compte.h"

#include "dav/dav.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace synchro {

namespace {

QString dossierXdg(const char* variable, const QString& sousMaison)
{
    QString base = qEnvironmentVariable(variable);
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1Char('/') + sousMaison;
    return base + QStringLiteral("/tarvelon/");
}

} // namespace

QUrl Compte::origine() const
{
    return agenda.isValid() && !agenda.isEmpty() ? agenda : dav::startAddress(adresse);
}

QString fichierCompte()
{
    return dossierXdg("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("compte.ini");
}

QString dossierEtat()
{
    return dossierXdg("XDG_STATE_HOME", QStringLiteral(".local/state"));
}

std::optional<Compte> lireCompte(QString* erreur)
{
    const QFileInfo fichier(fichierCompte());
    if (!fichier.exists())
        return std::nullopt;
    const auto endommage = [&](const QString& pourquoi) -> std::optional<Compte> {
        if (erreur)
            *erreur = QStringLiteral("le fichier du compte %1 %2").arg(fichierCompte(), pourquoi);
        return std::nullopt;
    };
    // Tarvelon writes a few hundred bytes: a file of megabytes is not its.
    if (!fichier.isFile() || fichier.size() > 1024 * 1024)
        return endommage(QStringLiteral("n'est pas celui que Tarvelon écrit (trop grand, ou pas "
                                        "un fichier ordinaire)"));
    QSettings s(fichierCompte(), QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        return endommage(QStringLiteral("est endommagé"));
    Compte c;
    c.adresse = s.value(QStringLiteral("serveur/adresse")).toString();
    c.utilisateur = s.value(QStringLiteral("serveur/utilisateur")).toString();
    c.commandeMotDePasse = s.value(QStringLiteral("serveur/commande-mot-de-passe")).toString();
    c.empreintes = s.value(QStringLiteral("serveur/certificats")).toStringList();
    c.agenda = QUrl(s.value(QStringLiteral("agenda/adresse")).toString());
    c.nomAgenda = s.value(QStringLiteral("agenda/nom")).toString();
    const QString rappel = s.value(QStringLiteral("agenda/rappel")).toString();
    c.rappel = rappel == QLatin1String("veille") ? Rappel::Veille
               : rappel == QLatin1String("jour") ? Rappel::Jour
                                                 : Rappel::Aucun;
    for (const QString& u : s.value(QStringLiteral("carnets/adresses")).toStringList())
        c.carnets << QUrl(u);
    c.nomsCarnets = s.value(QStringLiteral("carnets/noms")).toStringList();
    c.publierCarnets = s.value(QStringLiteral("carnets/publier")).toBool();
    c.prochesPublies = s.value(QStringLiteral("agenda/proches"), true).toBool();
    if (s.value(QStringLiteral("agenda/partage-adresse")).toString() == c.agenda.toString())
        if (const QString p = s.value(QStringLiteral("agenda/partage")).toString();
            p == QLatin1String("oui") || p == QLatin1String("non"))
            c.partage = p == QLatin1String("oui");
    if (c.adresse.isEmpty() || c.utilisateur.isEmpty())
        return endommage(QStringLiteral("est endommagé : il n'y a pas d'adresse de serveur ou de "
                                        "nom d'utilisateur"));
    return c;
}

bool ecrireCompte(const Compte& c, QString* erreur)
{
    QDir().mkpath(QFileInfo(fichierCompte()).absolutePath());
    {
        QSettings s(fichierCompte(), QSettings::IniFormat);
        s.clear();
        s.setValue(QStringLiteral("serveur/adresse"), c.adresse);
        s.setValue(QStringLiteral("serveur/utilisateur"), c.utilisateur);
        if (!c.commandeMotDePasse.isEmpty())
            s.setValue(QStringLiteral("serveur/commande-mot-de-passe"), c.commandeMotDePasse);
        if (!c.empreintes.isEmpty())
            s.setValue(QStringLiteral("serveur/certificats"), c.empreintes);
        s.setValue(QStringLiteral("agenda/adresse"), c.agenda.toString());
        s.setValue(QStringLiteral("agenda/nom"), c.nomAgenda);
        s.setValue(QStringLiteral("agenda/rappel"), c.rappel == Rappel::Veille ? "veille"
                                                    : c.rappel == Rappel::Jour ? "jour"
                                                                               : "aucun");
        QStringList carnets;
        for (const QUrl& u : c.carnets)
            carnets << u.toString();
        if (!carnets.isEmpty()) { // an empty list would be written "@Invalid()"
            s.setValue(QStringLiteral("carnets/adresses"), carnets);
            s.setValue(QStringLiteral("carnets/noms"), c.nomsCarnets);
        }
        s.setValue(QStringLiteral("carnets/publier"), c.publierCarnets);
        s.setValue(QStringLiteral("agenda/proches"), c.prochesPublies);
        if (c.partage) {
            s.setValue(QStringLiteral("agenda/partage"), *c.partage ? "oui" : "non");
            s.setValue(QStringLiteral("agenda/partage-adresse"), c.agenda.toString());
        }
        s.sync();
        if (s.status() != QSettings::NoError) {
            *erreur = QStringLiteral("le fichier %1 ne peut pas être écrit").arg(fichierCompte());
            return false;
        }
    }
    QFile::setPermissions(fichierCompte(), QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

std::optional<int> minutesDuRappel(Rappel rappel)
{
    switch (rappel) {
    case Rappel::Aucun:
        break;
    case Rappel::Veille:
        return -6 * 60;
    case Rappel::Jour:
        return 9 * 60;
    }
    return std::nullopt;
}

} // namespace synchro
