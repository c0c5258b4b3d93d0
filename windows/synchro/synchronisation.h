#pragma once

#include "synchro/compte.h"
#include "synchro/publication.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QThread;
namespace socle {
class Database;
}
namespace windows {
class Tarvelon;
}

// The synchronisation brought to the window from outside, around its
// designed controls (which stay as they are): "Synchronisation…" (the
// account, the calendar, the address books) and "Synchroniser maintenant" in
// its context menu; while it is open, a run at start, half a minute after a
// change of the calendar, and every hour for the address books. Runs go in a
// thread of their own and never hold the window. A run the user asked for
// tells its report; a background run that fails is told once, quietly (a
// desktop notification, never a message box), until one succeeds.
namespace synchro {

class Synchronisation : public QObject {
    Q_OBJECT
public:
    // After a run that changed the calendar (the address books' birthdays),
    // apresChangement shows it in the window.
    Synchronisation(windows::Tarvelon* fenetre, const QString& fichierCalendrier,
                    std::function<void()> apresChangement = {});
    ~Synchronisation() override;

    // How long after a change a run starts, and how often the address books
    // are read again, in milliseconds (tests shorten them).
    int delaiApresChangement = 30 * 1000;
    int periodeCarnets = 60 * 60 * 1000;
    int periodeVeille = 2000; // how often the calendar is looked at for a change

    // The quiet word of a background failure (tests listen instead).
    using Avis = std::function<void(const QString&)>;
    static Avis& avisSlot();

    // A run now; when demande, the user asked for it and is told its report.
    void lancer(bool demande);
    bool enCours() const { return m_travail != nullptr; }
    // The account dialog, then a run.
    void configurer();

signals:
    void terminee(const synchro::Bilan& bilan);

private:
    void surveiller();
    void fin(const Bilan& bilan, bool demande, const std::optional<QString>& mdp);
    void sansMotDePasse(const Compte& compte, bool demande);
    void finDuTravail();
    std::optional<QString> demanderMotDePasse(const Compte& compte, bool demande);

    windows::Tarvelon* m_fenetre;
    QString m_fichier;
    std::function<void()> m_apresChangement;
    std::unique_ptr<socle::Database> m_veille; // sees other connections' commits, never waits
    std::optional<std::int64_t> m_version;     // none: the next look only takes it
    QTimer m_changement, m_sondage, m_carnets;
    QThread* m_travail = nullptr;
    bool m_encore = false;
    bool m_echecDit = false;
    bool m_questionPosee = false;        // the shared calendar's question, asked this session
    std::optional<QString> m_motDePasse; // for this session
    // How far a run the user asked for is ("Agenda : 412 / 866"), shown
    // once it lasts a few seconds.
    QPointer<QProgressDialog> m_avancement;
};

} // namespace synchro
