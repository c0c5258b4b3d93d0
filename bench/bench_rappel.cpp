// tarvelon-rappel against remind (Debian's package remind) on the same data:
// the bundled calendar plus 100 birthdays, written once into tarvelon.db and
// once as a remind file. Runs both alternately, 30 times each by default, as
// child processes, and prints the medians, their ratio and the peak memory.
#include "mesure.h"
#include "socle/calendrier_fr.h"
#include "socle/fetes.h"
#include "socle/proches.h"
#include "store/calendrier.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using bench::median;

namespace {

struct Run {
    double millis;
    int status;
};

// Runs a command, its output thrown away; with stderrTo, its error output
// goes to that file.
Run spawn(const std::vector<const char*>& command, const char* stderrTo = nullptr)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (stderrTo)
        posix_spawn_file_actions_addopen(&actions, 2, stderrTo, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (const char* a : command)
        args.push_back(const_cast<char*>(a));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return {-1, -1};
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(end - start).count(), status};
}

// The peak memory of a command, in KiB, through the small launcher.
long peakKiB(std::vector<const char*> command, const QString& dir)
{
    command.insert(command.begin(), PIC_MEMOIRE);
    const QByteArray report = (dir + QStringLiteral("/pic")).toUtf8();
    spawn(command, report.constData());
    QFile file(QString::fromUtf8(report));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLong() : -1;
}

const char* const Mois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 30;
    QTemporaryDir home;
    const QString dir = home.path() + QStringLiteral("/tarvelon/");
    qputenv("XDG_DATA_HOME", home.path().toUtf8());

    // The calendar: the bundled name days, then 100 birthdays over the year.
    socle::Database db;
    QString message;
    if (!store::openCalendar(db, dir + QStringLiteral("tarvelon.db"), &message)) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return 1;
    }
    QByteArray rem;
    for (const socle::Fiche& e : socle::calendrierFr())
        rem += "REM " + QByteArray::number(std::stoi(e.date.substr(0, 2))) + ' ' +
               Mois[std::stoi(e.date.substr(3, 2)) - 1] +
               " MSG Fête : " + QByteArray::fromStdString(e.nom) + '\n';
    std::vector<socle::Fiche> anniversaires;
    for (int i = 0; i < 100; ++i) {
        const QDate day = QDate(2026, 1, 1).addDays(i * 365 / 100 + 1);
        const QString nom = QStringLiteral("Ami%1").arg(i);
        const int annee = 1950 + i % 60;
        anniversaires.push_back({nom.toStdString(),
                                 day.toString(QStringLiteral("dd/MM")).toStdString(),
                                 std::to_string(annee), " "});
        rem += "REM " + QByteArray::number(day.day()) + ' ' + Mois[day.month() - 1] +
               " MSG Anniversaire : " + nom.toUtf8() + ", [year(today())-" +
               QByteArray::number(annee) + "] ans\n";
    }
    socle::ajouterFiches(db, anniversaires, socle::Doublons::Ajouter);
    db.close();
    const QString remFile = dir + QStringLiteral("tarvelon.rem");
    QFile file(remFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(rem) != rem.size())
        return 1;
    file.close();

    // A day with name days and a birthday.
    const QByteArray remPath = remFile.toUtf8();
    const std::vector<const char*> ours = {TARVELON_RAPPEL, "--date", "05/03/2026"};
    const std::vector<const char*> theirs = {"remind", "-q", remPath.constData(), "2026-03-05"};
    if (spawn(theirs).status != 0) {
        std::fprintf(stderr, "remind is missing: apt install remind\n");
        return 1;
    }
    spawn(ours);

    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(spawn(ours).millis);
        b.push_back(spawn(theirs).millis);
    }
    const double ma = median(a), mb = median(b);
    std::printf("today's reminder, %d alternating runs each (1,051 name days + 100 birthdays)\n",
                runs);
    std::printf("  tarvelon-rappel: %.2f ms median, peak %ld KiB\n", ma, peakKiB(ours, dir));
    std::printf("  remind:          %.2f ms median, peak %ld KiB\n", mb, peakKiB(theirs, dir));
    std::printf("  ratio %.3f (goal < 1.0)\n", ma / mb);

    // The same with 10,000 people, their name days spread over the year (in
    // remind, one more REM each).
    {
        socle::Database base;
        base.open(QFile::encodeName(dir + QStringLiteral("tarvelon.db")).toStdString(),
                  socle::OpenMode::ReadWrite);
        socle::Transaction t(base);
        QByteArray remProches;
        for (int i = 0; i < 10000; ++i) {
            const QDate day = QDate(2024, 1, 1).addDays(i * 366 / 10000);
            const std::string nom = "Proche " + std::to_string(i);
            socle::ecrireProche(base, {"uid:" + std::to_string(i), nom, "Proche", "fichier:b.vcf",
                                       0, day.toString(QStringLiteral("dd/MM")).toStdString(),
                                       "Proche", false, i % 10 != 0});
            remProches += "REM " + QByteArray::number(day.day()) + ' ' + Mois[day.month() - 1] +
                          " MSG Fête : " + QByteArray::fromStdString(nom) + '\n';
        }
        t.commit();
        QFile remFichier(remFile);
        if (!remFichier.open(QIODevice::Append) ||
            remFichier.write(remProches) != remProches.size())
            return 1;
    }
    std::vector<double> ap, bp;
    for (int i = 0; i < runs; ++i) {
        ap.push_back(spawn(ours).millis);
        bp.push_back(spawn(theirs).millis);
    }
    const double map = median(ap), mbp = median(bp);
    std::printf("with 10,000 people (about 27 a day)\n");
    std::printf("  tarvelon-rappel: %.2f ms median (%+.2f ms for the people), peak %ld KiB\n", map,
                map - ma, peakKiB(ours, dir));
    std::printf("  remind:          %.2f ms median\n", mbp);
    std::printf("  ratio %.3f (goal < 1.0; the people under 1 ms)\n", map / mbp);

    // A year ahead, with 200 events noted in the settings file.
    QByteArray inf = "[Evenements]\r\n";
    for (int i = 0; i < 200; ++i)
        inf +=
            QDate(2026, 1, 1).addDays(i * 365 / 200).toString(QStringLiteral("dd/MM")).toLatin1() +
            "=Événement " + QByteArray::number(i) + "\r\n";
    QFile settings(dir + QStringLiteral("tarvelon.inf"));
    if (!settings.open(QIODevice::WriteOnly) || settings.write(inf) != inf.size())
        return 1;
    settings.close();
    const std::vector<const char*> year = {TARVELON_RAPPEL, "--jours", "366", "--date",
                                           "05/03/2026"};
    std::vector<double> c;
    for (int i = 0; i < runs; ++i)
        c.push_back(spawn(year).millis);
    std::printf("  a year ahead (--jours 366, 200 events in tarvelon.inf): %.2f ms median\n",
                median(c));
    return 0;
}
