#include "bureau/agenda.h"

#include "echange/icalendar.h"
#include "socle/raisons.h"
#include "socle/sqlite.h"
#include "store/calendrier.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace bureau {

namespace {

// What the entries make of the file, in a few bytes: written in its head,
// so that a file already as they say is known without making it again
// (seconds at 100,000 entries).
constexpr QByteArrayView ProprieteEmpreinte = "X-TARVELON-EMPREINTE:";

QByteArray empreinteDe(const std::vector<socle::Fiche>& fiches)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData("tarvelon.ics 1\n"); // the file's form: a new one writes it again
    for (const socle::Fiche& f : fiches)
        for (int c = 0; c < socle::NombreDeChamps; ++c) {
            const std::string& champ = f[socle::Champ(c)];
            h.addData(QByteArrayView(champ.data(), qsizetype(champ.size())));
            h.addData(QByteArrayView("\x1f", 1));
        }
    return h.result().toHex();
}

// The fingerprint the file carries in its head; empty when none.
QByteArray empreinteDuFichier(const QString& chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray tete = f.read(1024);
    const qsizetype i = tete.indexOf(ProprieteEmpreinte);
    if (i < 0)
        return {};
    const qsizetype debut = i + ProprieteEmpreinte.size();
    const qsizetype fin = tete.indexOf('\r', debut);
    return fin < 0 ? QByteArray() : tete.mid(debut, fin - debut);
}

} // namespace

QString fichierAgenda()
{
    return store::dataFolder() + QStringLiteral("tarvelon.ics");
}

Ecriture ecrireAgenda(const std::vector<socle::Fiche>& fiches, const QString& chemin)
{
    Ecriture e;
    const QByteArray empreinte = empreinteDe(fiches);
    const QFileInfo avant(chemin);
    if (avant.exists() && empreinteDuFichier(chemin) == empreinte)
        return e;
    QByteArray ics = echange::ecrireIcalendar(fiches, socle::Selection::Tout);
    // In the calendar's head, after its version.
    const qsizetype version = ics.indexOf("VERSION:");
    ics.insert(ics.indexOf('\n', version < 0 ? 0 : version) + 1,
               ProprieteEmpreinte.toByteArray() + empreinte + "\r\n");
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
