// The window's actions as the user makes them, offscreen, at 1,000, 10,000
// and 100,000 entries (half name days, half birthdays): "Suiv." in each view,
// a search by name and by day, the view switch, "Ajouter" + "Valider" and
// "Supprimer". Prints each action's median, in milliseconds.
#include "mesure.h"
#include "platform/messagebox.h"
#include "platform/sound.h"
#include "socle/fetes.h"
#include "windows/main/tarvelon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using bench::median;
using bench::millis;

namespace {

class Silence : public platform::SoundPlayer {
public:
    bool playWave(const QString&) override { return true; }
    void beep() override {}
};

QString dayKey(unsigned i)
{
    const QDate day = QDate(2024, 1, 1).addDays(i % 366);
    return day.toString(QStringLiteral("dd/MM"));
}

void writeCalendar(const QString& path, int entries)
{
    std::vector<socle::Fiche> fiches;
    std::mt19937 random(42);
    for (int i = 0; i < entries; ++i) {
        const bool fete = i % 2 == 0;
        fiches.push_back(
            {"Prénom" + std::to_string(random() % 1000000), dayKey(random()).toStdString(),
             fete ? std::string(socle::AnneeNomDeFete) : std::to_string(1940 + random() % 80),
             fete ? (i % 4 ? "M" : "F") : " "});
    }
    socle::Database db;
    db.open(path.toStdString(), socle::OpenMode::Create);
    socle::creerTable(db);
    socle::ajouterFiches(db, fiches, socle::Doublons::Ajouter);
}

void run(int entries)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    const QString dir = home.path() + QStringLiteral("/tarvelon/");
    QDir().mkpath(dir);
    writeCalendar(dir + QStringLiteral("tarvelon.db"), entries);

    windows::Tarvelon w;
    w.DelaiAccueil = 0;
    if (!w.Form_Load())
        return;
    w.Form_Activate();

    const int reps = entries >= 100000 ? 15 : 41;
    std::vector<double> suivFetes, suivAnniv, parNom, parJour, bascule, ajout, suppression;
    for (int i = 0; i < reps; ++i)
        suivFetes.push_back(millis([&] { w.SSCommand2_Click(0); }));
    for (int i = 0; i < reps; ++i) {
        w.Text2->setText(QStringLiteral("%1/06").arg(i % 28 + 1));
        parJour.push_back(millis([&] { w.SSCommand3_Click(); }));
    }
    for (int i = 0; i < reps; ++i) {
        // A name that only the last entries hold: the whole set is scanned.
        w.Text2->setText(QStringLiteral("Dernier%1").arg(i));
        parNom.push_back(millis([&] { w.SSCommand3_Click(); }));
    }
    for (int i = 0; i < reps; ++i) {
        bascule.push_back(millis([&] { w.SSCommand5_Click(); }));
        if (w.ModeFetes)
            w.SSCommand5_Click();
        suivAnniv.push_back(millis([&] { w.SSCommand2_Click(0); }));
        w.SSCommand5_Click();
    }
    w.SSCommand5_Click(); // the birthday view, for the edits
    for (int i = 0; i < reps; ++i) {
        ajout.push_back(millis([&] {
            w.SSCommand1_Click(0);
            w.Text1[0]->setText(QStringLiteral("Dernier%1").arg(i));
            w.Text1[1]->setText(QStringLiteral("14/07"));
            w.Text3->setText(QStringLiteral("1990"));
            w.SSCommand1_Click(3);
        }));
    }
    for (int i = 0; i < reps; ++i) {
        w.SSCommand2_Click(3);
        suppression.push_back(millis([&] { w.SSCommand1_Click(1); }));
    }
    std::printf("%7d entries: Suiv. (fêtes) %.3f | Suiv. (anniversaires) %.3f | par nom %.3f | "
                "par jour %.3f | bascule %.3f | Ajouter+Valider %.3f | Supprimer %.3f ms\n",
                entries, median(suivFetes), median(suivAnniv), median(parNom), median(parJour),
                median(bascule), median(ajout), median(suppression));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Silence silence;
    const platform::ScopedSoundPlayer son(silence);
    const platform::ScopedMessageHandler messages([](const platform::MessageRequest& m) {
        return (m.style & ~platform::MbDefaultButton2) == platform::MbYesNoQuestion
                   ? int(platform::AnswerYes)
                   : int(platform::AnswerOk);
    });
    for (const int n : {1000, 10000, 100000})
        run(n);
    return 0;
}
