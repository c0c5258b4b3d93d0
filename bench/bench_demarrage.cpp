// Start-up of Tarvelon, from process start to today's entry shown (the title
// card's own wait left out), against a bare Qt window of the same size with a
// few controls. Runs both alternately as child processes and prints the
// medians, their ratio and the peak memory of each.
#include "mesure.h"
#include "windows/main/tarvelon.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using bench::median;

namespace {

int childTarvelon(int argc, char* argv[])
{
    QApplication app(argc, argv);
    windows::Tarvelon w;
    w.DelaiAccueil = 0;
    if (!w.Form_Load())
        return 2;
    w.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!w.PremiereActivation && !w.Label2->text().isEmpty() && !w.Text1[0]->text().isEmpty())
            QApplication::quit();
    });
    poll.start(0);
    return QApplication::exec();
}

int childBare(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget w;
    w.setFixedSize(242, 253);
    auto* edit = new QLineEdit(&w);
    edit->setGeometry(64, 8, 97, 21);
    auto* list = new QListWidget(&w);
    list->setGeometry(12, 100, 105, 82);
    list->addItems({QStringLiteral("Georges"), QStringLiteral("Adalbert")});
    for (int i = 0; i < 4; ++i)
        (new QPushButton(QStringLiteral("Bouton"), &w))->setGeometry(130, 80 + 22 * i, 100, 20);
    w.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}

struct Run {
    double millis;
    long peakKiB;
};

Run spawnChild(const char* self, const char* mode)
{
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    char* args[] = {const_cast<char*>(self), const_cast<char*>(mode), nullptr};
    if (posix_spawn(&pid, self, nullptr, nullptr, args, environ) != 0)
        return {-1, 0};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss};
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--tarvelon") == 0)
        return childTarvelon(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return childBare(argc, argv);

    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    spawnChild(argv[0], "--tarvelon"); // first run: makes the database
    spawnChild(argv[0], "--bare");

    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    std::vector<double> tarvelon, bare, tarvelonMem, bareMem;
    for (int i = 0; i < runs; ++i) {
        const Run t = spawnChild(argv[0], "--tarvelon");
        const Run b = spawnChild(argv[0], "--bare");
        tarvelon.push_back(t.millis);
        bare.push_back(b.millis);
        tarvelonMem.push_back(double(t.peakKiB));
        bareMem.push_back(double(b.peakKiB));
    }
    const double mt = median(tarvelon), mb = median(bare);
    const double pt = median(tarvelonMem), pb = median(bareMem);
    std::printf("start-up over %d runs each (QT_QPA_PLATFORM=%s)\n", runs,
                qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("  Tarvelon to today's entry: %.1f ms median, peak %.0f KiB\n", mt, pt);
    std::printf("  bare Qt window:            %.1f ms median, peak %.0f KiB\n", mb, pb);
    std::printf("  ratio %.3f (goal <= 1.15), memory ratio %.3f (goal <= 1.2)\n", mt / mb, pt / pb);
    return 0;
}
