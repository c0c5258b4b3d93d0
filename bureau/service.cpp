// tarvelon-recherche: what the desktop's search asks for, over the session
// bus. GNOME Shell's overview (org.gnome.Shell.SearchProvider2) and KRunner
// (org.kde.krunner1) ask the same object; D-Bus activation starts it, and it
// ends by itself after a minute without a request. Answers come from the
// calendar file, read only, kept in memory while it does not change.
#include "bureau/agenda.h"
#include "bureau/recherche.h"
#include "store/calendrier.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

namespace {

const QString Service = QStringLiteral("fr.tarvelon.Tarvelon.SearchProvider");
const QString Chemin = QStringLiteral("/fr/tarvelon/Tarvelon/SearchProvider");
constexpr int FinApresSilence = 60 * 1000;

// KRunner's match and action.
struct Trouvaille {
    QString id, texte, icone;
    int sorte = 100; // a possible match
    double pertinence = 1;
    QVariantMap proprietes;
};
struct Action {
    QString id, texte, icone;
};

} // namespace

Q_DECLARE_METATYPE(Trouvaille)
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(QList<Trouvaille>)
Q_DECLARE_METATYPE(QList<Action>)
Q_DECLARE_METATYPE(QList<QVariantMap>)

QDBusArgument& operator<<(QDBusArgument& a, const Trouvaille& t)
{
    a.beginStructure();
    a << t.id << t.texte << t.icone << t.sorte << t.pertinence << t.proprietes;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, Trouvaille& t)
{
    a.beginStructure();
    a >> t.id >> t.texte >> t.icone >> t.sorte >> t.pertinence >> t.proprietes;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const Action& t)
{
    a.beginStructure();
    a << t.id << t.texte << t.icone;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, Action& t)
{
    a.beginStructure();
    a >> t.id >> t.texte >> t.icone;
    a.endStructure();
    return a;
}

namespace {

// tarvelon beside this program (the build tree), or where it is installed
// relative to it, else from PATH.
QString tarvelon()
{
    const QString ici = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    for (const QString& chemin :
         {ici + QStringLiteral("tarvelon"), ici + QStringLiteral(TARVELON_FENETRE)})
        if (QFileInfo(chemin).isExecutable())
            return chemin;
    const QString trouve = QStandardPaths::findExecutable(QStringLiteral("tarvelon"));
    return trouve.isEmpty() ? QStringLiteral("tarvelon") : trouve;
}

// The index of the calendar file, read again when the file changes; the
// silence that ends the service, started again at each request.
class Recherche : public QObject {
public:
    Recherche()
    {
        m_fin.setSingleShot(true);
        connect(&m_fin, &QTimer::timeout, qApp, &QCoreApplication::quit);
        m_fin.start(FinApresSilence);
    }

    const bureau::Index& index()
    {
        m_fin.start(FinApresSilence);
        // The file, and the people beside it in the calendar's database.
        const QFileInfo f(bureau::fichierAgenda());
        const QFileInfo base(store::calendarPath());
        const auto marque = std::tuple{f.lastModified(), f.size(), base.lastModified()};
        if (marque != m_marque) {
            m_index = bureau::lireIndex(f.filePath(), base.filePath());
            m_marque = marque;
        }
        return m_index;
    }

    QStringList chercher(const QStringList& termes)
    {
        QStringList ids;
        for (const bureau::Resultat& r : index().chercher(termes, QDate::currentDate().year()))
            ids << r.id;
        return ids;
    }

    // The window, standing on the entry (on today with none).
    void activer(const QString& id)
    {
        m_fin.start(FinApresSilence);
        const QString programme = tarvelon();
        if (!QProcess::startDetached(programme, id.isEmpty()
                                                    ? QStringList()
                                                    : QStringList{QStringLiteral("--fiche"), id}))
            std::fprintf(stderr, "tarvelon-recherche : %s ne peut pas être lancé.\n",
                         qPrintable(programme));
    }

private:
    bureau::Index m_index;
    std::tuple<QDateTime, qint64, QDateTime> m_marque{QDateTime(), -1, QDateTime()};
    QTimer m_fin;
};

class FournisseurGnome : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")
public:
    FournisseurGnome(QObject* parent, Recherche& r) : QDBusAbstractAdaptor(parent), m_r(r) {}

public slots:
    QStringList GetInitialResultSet(const QStringList& terms) { return m_r.chercher(terms); }
    QStringList GetSubsearchResultSet(const QStringList&, const QStringList& terms)
    {
        return m_r.chercher(terms);
    }
    // One meta for each id asked, in order: the shell drops the batch
    // otherwise.
    QList<QVariantMap> GetResultMetas(const QStringList& ids)
    {
        const bureau::Index& index = m_r.index();
        QList<QVariantMap> metas;
        for (const QString& id : ids) {
            const socle::Fiche* f = index.fiche(id);
            metas << QVariantMap{
                {QStringLiteral("id"), id},
                {QStringLiteral("name"),
                 f ? bureau::titreDe(*f, QDate::currentDate().year())
                   : QString::fromStdString(bureau::ficheDeLId(id).value_or(socle::Fiche{}).nom)},
                {QStringLiteral("gicon"), QStringLiteral("tarvelon")}};
        }
        return metas;
    }
    void ActivateResult(const QString& id, const QStringList&, uint) { m_r.activer(id); }
    void LaunchSearch(const QStringList&, uint) { m_r.activer(QString()); }

private:
    Recherche& m_r;
};

class RunnerKde : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")
public:
    RunnerKde(QObject* parent, Recherche& r) : QDBusAbstractAdaptor(parent), m_r(r) {}

public slots:
    QList<Trouvaille> Match(const QString& query)
    {
        QList<Trouvaille> trouvailles;
        for (const bureau::Resultat& r : m_r.index().chercher(
                 query.left(bureau::LongueurMaxTerme).split(' ', Qt::SkipEmptyParts),
                 QDate::currentDate().year()))
            trouvailles << Trouvaille{r.id, r.titre, QStringLiteral("tarvelon"), 100, 0.8, {}};
        return trouvailles;
    }
    QList<Action> Actions() { return {}; }
    void Run(const QString& id, const QString&) { m_r.activer(id); }

private:
    Recherche& m_r;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<Trouvaille>();
    qDBusRegisterMetaType<Action>();
    qDBusRegisterMetaType<QList<Trouvaille>>();
    qDBusRegisterMetaType<QList<Action>>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    Recherche recherche;
    new FournisseurGnome(&recherche, recherche);
    new RunnerKde(&recherche, recherche);
    if (!bus.registerObject(Chemin, &recherche) || !bus.registerService(Service)) {
        std::fprintf(stderr, "tarvelon-recherche : le bus de la session refuse le service %s.\n",
                     qPrintable(Service));
        return 1;
    }
    // The session gone, nobody can ask any more.
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), &app,
                SLOT(quit()));
    return QCoreApplication::exec();
}

#include "service.moc"
