#include "bureau/agenda.h"

#include "echange/icalendar.h"
#include "socle/raisons.h"
#include "socle/sqlite.h"
#include "store/calendrier.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace bureau {

namespace {

// What a file says, its stamps aside: DTSTAMP changes at every writing.
QByteArray sansHorodatage(const QByteArray& ics)
{
    QByteArray sens;
    sens.reserve(ics.size());
    qsizetype debut = 0;
    while (debut < ics.size()) {
        qsizetype fin = ics.indexOf('\n', debut);
        fin = fin < 0 ? ics.size() : fin + 1;
        const QByteArrayView ligne(ics.constData() + debut, fin - debut);
        if (!ligne.startsWith("DTSTAMP"))
            sens.append(ligne);
        debut = fin;
    }
    return sens;
}

} // namespace

QString fichierAgenda()
{
    return store::dataFolder() + QStringLiteral("tarvelon.ics");
}

Ecriture ecrireAgenda(const std::vector<socle::Fiche>& fiches, const QString& chemin)
{
    Ecriture e;
    const QByteArray ics = echange::ecrireIcalendar(fiches, socle::Selection::Tout);
    const QFileInfo avant(chemin);
    if (avant.exists()) {
        QFile ancien(chemin);
        // A file far larger than the new one is not read whole to be told apart.
        if (avant.size() < 2 * ics.size() + 4096 && ancien.open(QIODevice::ReadOnly) &&
            sansHorodatage(ancien.readAll()) == sansHorodatage(ics))
            return e;
    }
    QDir().mkpath(avant.absolutePath());
    QSaveFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(ics) != ics.size()) {
        e.erreur = QStringLiteral("le fichier %1 ne peut pas être écrit (%2)")
                       .arg(chemin, f.errorString());
        return e;
    }
    // One second past the old file's time at least, so that a reader
    // comparing whole seconds sees a change.
    const QDateTime ancien = avant.exists() ? avant.lastModified() : QDateTime();
    f.flush(); // the time is set after the last write
    if (ancien.isValid() &&
        ancien.toSecsSinceEpoch() >= QDateTime::currentDateTime().toSecsSinceEpoch())
        f.setFileTime(QDateTime::fromSecsSinceEpoch(ancien.toSecsSinceEpoch() + 1),
                      QFileDevice::FileModificationTime);
    if (!f.commit()) {
        e.erreur = QStringLiteral("le fichier %1 ne peut pas être écrit (%2)")
                       .arg(chemin, f.errorString());
        return e;
    }
    e.ecrit = true;
    return e;
}

Ecriture actualiserAgenda(const QString& calendrier, const QString& chemin)
{
    if (!QFileInfo::exists(calendrier))
        return {};
    socle::Database base;
    std::vector<socle::FicheStockee> lues;
    int code = base.open(QFile::encodeName(calendrier).toStdString(), socle::OpenMode::ReadOnly)
                   ? socle::lireFiches(base, lues)
                   : base.errorCode();
    if (code != socle::SqliteOk)
        return {false, QStringLiteral("le calendrier %1 ne peut pas être lu : %2")
                           .arg(calendrier, QString::fromStdString(socle::raisonSqlite(code)))};
    std::vector<socle::Fiche> fiches;
    fiches.reserve(lues.size());
    for (socle::FicheStockee& f : lues)
        fiches.push_back(std::move(f.fiche));
    return ecrireAgenda(fiches, chemin);
}

} // namespace bureau
