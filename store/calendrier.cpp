#include "store/calendrier.h"

#include "socle/calendrier_fr.h"
#include "socle/fetes.h"
#include "socle/fichier.h"
#include "socle/raisons.h"
#include "socle/schema.h"
#include "socle/texte.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace store {

namespace {

const QString Stopping = QStringLiteral("Tarvelon s'arrête sans modifier ce fichier.");

QString lineBreak()
{
    return QString::fromLatin1(socle::LineBreak.data(), qsizetype(socle::LineBreak.size()));
}

QString reason(int code)
{
    return QString::fromStdString(socle::raisonSqlite(code));
}

bool fail(QString* message, const QString& text, bool untouched = true)
{
    if (message)
        *message = untouched ? text + lineBreak() + Stopping : text;
    return false;
}

bool createCalendar(const QString& path, QString* message)
{
    const auto cannotCreate = [&](const QString& why) {
        return fail(message,
                    QStringLiteral("Impossible de créer la base de données %1 :").arg(path) +
                        lineBreak() + why + '.',
                    false);
    };
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Made aside and put in place once complete: an interrupted first start
    // never leaves a half-made calendar under the real name. Each program
    // makes its own draft; when two first starts meet, the first one in
    // place is the calendar and the other's draft goes.
    const QFileInfo final(path);
    for (const QFileInfo& old :
         final.dir().entryInfoList({final.fileName() + QStringLiteral(".creation*")}, QDir::Files))
        if (old.lastModified().secsTo(QDateTime::currentDateTime()) > 600)
            QFile::remove(old.filePath()); // left by a first start that was stopped
    const QString draft = path + QStringLiteral(".creation-%1-%2")
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(QRandomGenerator::global()->generate());
    int code = socle::SqliteOk;
    {
        socle::Database db;
        if (!db.open(QFile::encodeName(draft).toStdString(), socle::OpenMode::Create))
            return cannotCreate(reason(db.errorCode()));
        socle::Transaction transaction(db);
        code = transaction.code();
        if (code == socle::SqliteOk)
            code = socle::creerTable(db);
        if (code == socle::SqliteOk)
            code = socle::ajouterFiches(db, socle::calendrierFr(), socle::Doublons::Ajouter).code;
        if (code == socle::SqliteOk)
            code = socle::mettreANiveau(db).code;
        if (code == socle::SqliteOk)
            code = transaction.commit();
    }
    QString why;
    if (code != socle::SqliteOk)
        why = reason(code);
    else if (::link(QFile::encodeName(draft).constData(), QFile::encodeName(path).constData()) !=
                 0 &&
             errno != EEXIST)
        why = QStringLiteral("le fichier ne peut pas être mis en place (%1)")
                  .arg(QString::fromLocal8Bit(std::strerror(errno)));
    QFile::remove(draft); // in place under its name, or the other's is: ours goes
    if (!why.isEmpty())
        return cannotCreate(why);
    return true;
}

// A file opened for writing is brought up to this program's schema first;
// one from a newer Tarvelon is never altered.
bool upToDate(socle::Database& db, const QString& path, QString* message)
{
    const socle::MiseANiveau niveau = socle::mettreANiveau(db);
    switch (niveau.etat) {
    case socle::MiseANiveau::AJour:
        return true;
    case socle::MiseANiveau::PlusRecent:
        db.close();
        return fail(message,
                    QStringLiteral("La base de données %1 vient d'une version plus récente de "
                                   "Tarvelon : cette version ne peut pas la modifier.")
                        .arg(path));
    case socle::MiseANiveau::Impossible:
        break;
    }
    db.close();
    return fail(message,
                QStringLiteral("Impossible de mettre à jour la base de données %1 :").arg(path) +
                    lineBreak() + reason(niveau.code) + '.');
}

} // namespace

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tarvelon/");
}

QString calendarPath()
{
    return dataFolder() + QStringLiteral("tarvelon.db");
}

bool openCalendar(socle::Database& db, const QString& path, QString* message)
{
    const std::string chemin = QFile::encodeName(path).toStdString();
    socle::Nature nature = socle::natureDe(chemin);
    if (nature == socle::Nature::Absent) {
        if (!createCalendar(path, message))
            return false;
        nature = socle::Nature::Ordinaire;
    }
    if (nature == socle::Nature::Dossier)
        return fail(
            message,
            QStringLiteral("La base de données %1 est un dossier, pas un fichier.").arg(path));
    // A pipe or a device would hold the program for ever at the first read.
    if (nature == socle::Nature::Autre)
        return fail(
            message,
            QStringLiteral("La base de données %1 n'est pas un fichier ordinaire.").arg(path));

    if (!db.open(chemin, socle::OpenMode::ReadWrite))
        return fail(message,
                    QStringLiteral("Impossible d'ouvrir la base de données %1 :").arg(path) +
                        lineBreak() + reason(db.errorCode()) + '.');
    db.setCacheSize(32000); // a large calendar stays in memory between reads

    const socle::Verification table = socle::verifierTable(db);
    switch (table.etat) {
    case socle::Verification::Complete:
        return upToDate(db, path, message);
    case socle::Verification::Illisible:
        db.close();
        if (socle::primaryCode(table.code) == socle::SqliteNotADb)
            return fail(
                message,
                QStringLiteral("Le fichier %1 n'est pas une base de données SQLite.").arg(path));
        return fail(message,
                    QStringLiteral("Impossible de lire la base de données %1 :").arg(path) +
                        lineBreak() + reason(table.code) + '.');
    case socle::Verification::SansTable:
        db.close();
        return fail(
            message,
            QStringLiteral("La base de données %1 ne contient pas de table Fetes.").arg(path));
    case socle::Verification::SansChamp:
        break;
    }
    db.close();
    return fail(message, QStringLiteral("La table Fetes de la base de données %1 "
                                        "n'a pas le champ %2.")
                             .arg(path, QString::fromStdString(table.champ)));
}

} // namespace store
