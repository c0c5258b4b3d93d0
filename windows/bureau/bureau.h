#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

class QThread;
namespace socle {
class Database;
}
namespace windows {
class Tarvelon;
}

// The desktop's own calendar, from the window: the calendar file the
// desktop reads rewritten a moment after each change of the calendar (the
// window's, an import's, a synchronisation's, another program's), on a
// thread of its own; "Afficher dans le calendrier du bureau", a tick of the
// context menu; and, on the first start on a GNOME or KDE session, the
// question whether to show the days there.
namespace bureau {

class Bureau : public QObject {
    Q_OBJECT
public:
    Bureau(windows::Tarvelon* fenetre, const QString& fichierCalendrier);
    ~Bureau() override;

    int delaiApresChangement = 1000; // milliseconds
    int periodeVeille = 2000;        // how often the calendar is looked at

    // The file rewritten now, on the thread (after the one under way).
    void ecrire();
    bool enCours() const { return m_travail != nullptr; }

private:
    void surveiller();
    void changer(bool oui);
    void demanderUneFois();

    windows::Tarvelon* m_fenetre;
    QString m_fichier;
    std::unique_ptr<socle::Database> m_veille; // never waits
    std::optional<std::int64_t> m_version;
    QTimer m_sondage, m_changement;
    QThread* m_travail = nullptr;
    bool m_encore = false;
};

// tarvelon --fiche ID (the desktop's search activated a result): once the
// start has run, the window stands on that entry, as the user would reach it
// (the view switched when needed, then searched by its day for a name day,
// by its name for a birthday).
void montrerFiche(windows::Tarvelon* fenetre, const QString& id);

} // namespace bureau
