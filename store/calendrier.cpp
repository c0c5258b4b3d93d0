#include "store/calendrier.h"

#include "platform/messagebox.h"
#include "platform/sqlite.h"
#include "store/calendrier_fr.h"
#include "store/recordset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const QString Stopping = QStringLiteral("Tarvelon s'arrête sans modifier ce fichier.");

bool fail(QString* message, const QString& text, bool untouched = true)
{
    if (message)
        *message = untouched ? text + platform::LineBreak + Stopping : text;
    return false;
}

bool createCalendar(const QString& path, QString* message)
{
    const auto cannotCreate = [&](const QString& reason) {
        return fail(message,
                    QStringLiteral("Impossible de créer la base de données %1 :").arg(path) +
                        platform::LineBreak + reason + '.',
                    false);
    };
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Made aside and renamed once complete: an interrupted first start never
    // leaves a half-made calendar under the real name.
    const QString draft = path + QStringLiteral(".creation");
    QFile::remove(draft);
    QFile::remove(draft + QStringLiteral("-journal"));
    bool ok;
    QString reason;
    {
        platform::SqliteDatabase db;
        if (!db.open(draft, true))
            return cannotCreate(frenchReason(db.errorCode()));
        ok = db.exec("BEGIN") &&
             db.exec("CREATE TABLE Fetes (Nom TEXT, Date TEXT, Annee TEXT, MF TEXT)");
        if (ok) {
            platform::SqliteStatement insert(
                db, "INSERT INTO Fetes (Nom, Date, Annee, MF) VALUES (?1, ?2, '0000', ?3)");
            for (const CalendarEntry& entry : bundledCalendar()) {
                insert.bind(1, entry.nom);
                insert.bind(2, entry.date);
                insert.bind(3, entry.mf);
                if (insert.step() != platform::SqliteDone) {
                    ok = false;
                    break;
                }
                insert.reset();
            }
        }
        ok = ok && db.exec("COMMIT");
        if (!ok)
            reason = frenchReason(db.errorCode());
    }
    if (ok && !QFile::rename(draft, path)) {
        ok = false;
        reason = QStringLiteral("le fichier ne peut pas être renommé");
    }
    if (!ok) {
        QFile::remove(draft); // ours, half made: nothing of the user's is lost
        return cannotCreate(reason);
    }
    return true;
}

} // namespace

std::vector<CalendarEntry> bundledCalendar()
{
    std::vector<CalendarEntry> entries;
    for (const FeteFr& fete : calendrierFr())
        entries.push_back({QString::fromStdString(fete.date), QString::fromStdString(fete.nom),
                           QString::fromStdString(fete.mf)});
    return entries;
}

bool openCalendar(platform::SqliteDatabase& db, const QString& path, QString* message)
{
    const QFileInfo info(path);
    if (!info.exists() && !createCalendar(path, message))
        return false;
    if (info.exists() && info.isDir())
        return fail(
            message,
            QStringLiteral("La base de données %1 est un dossier, pas un fichier.").arg(path));
    // A pipe or a device would hold the program for ever at the first read.
    if (info.exists() && !info.isFile())
        return fail(
            message,
            QStringLiteral("La base de données %1 n'est pas un fichier ordinaire.").arg(path));

    if (!db.open(path, false))
        return fail(message,
                    QStringLiteral("Impossible d'ouvrir la base de données %1 :").arg(path) +
                        platform::LineBreak + frenchReason(db.errorCode()) + '.');
    db.setBusyTimeout(platform::SqliteBusyTimeout);
    db.exec("PRAGMA cache_size = -32000"); // a large calendar stays in memory between reads

    platform::SqliteStatement columns(db, "SELECT name FROM pragma_table_info('Fetes')");
    QSet<QString> names;
    int rc;
    while ((rc = columns.step()) == platform::SqliteRow)
        names.insert(columns.columnText(0).toLower());
    if (!columns.isValid() || rc != platform::SqliteDone) {
        const int code = db.errorCode();
        const QString reason = frenchReason(code);
        db.close();
        if (platform::primaryCode(code) == platform::SqliteNotADb)
            return fail(
                message,
                QStringLiteral("Le fichier %1 n'est pas une base de données SQLite.").arg(path));
        return fail(message,
                    QStringLiteral("Impossible de lire la base de données %1 :").arg(path) +
                        platform::LineBreak + reason + '.');
    }
    if (names.isEmpty()) {
        db.close();
        return fail(
            message,
            QStringLiteral("La base de données %1 ne contient pas de table Fetes.").arg(path));
    }
    for (const char* field : {"Nom", "Date", "Annee", "MF"}) {
        if (!names.contains(QString::fromLatin1(field).toLower())) {
            db.close();
            return fail(message, QStringLiteral("La table Fetes de la base de données %1 "
                                                "n'a pas le champ %2.")
                                     .arg(path, QString::fromLatin1(field)));
        }
    }
    return true;
}
