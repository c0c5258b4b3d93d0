#pragma once

#include "fakes.h"
#include "platform/clock.h"
#include "platform/help.h"
#include "windows/main/tarvelon.h"

#include <QTemporaryDir>
#include <memory>

using windows::Tarvelon;

namespace test {

// A private installation directory (XDG_DATA_HOME) with a database of the
// given rows and, if given, a settings file. Fixes today and routes sounds,
// messages and help to fakes.
class Installation {
public:
    explicit Installation(const std::vector<Row>& rows, const QByteArray& settings = {},
                          QDate day = QDate(2026, 4, 23));
    ~Installation();

    QString dir() const; // ends with "/"
    QString dbPath() const { return dir() + QStringLiteral("tarvelon.db"); }
    QString settingsPath() const { return dir() + QStringLiteral("tarvelon.inf"); }
    void writeSettings(const QByteArray& settings);

    // Rows of the table as stored, in rowid order: "Nom|Date|Annee|MF".
    QStringList storedRows() const;

    // A main window loaded (not yet activated); DelaiAccueil 0.
    std::unique_ptr<Tarvelon> loadWindow();
    // Loaded and through its first activation; the messages of the start
    // are cleared.
    std::unique_ptr<Tarvelon> startWindow();

    FakeSound sound;
    FakeMessages messages;
    QStringList journal;
    QStringList helpOpened;

private:
    QTemporaryDir m_root;
    QByteArray m_oldXdg;
    platform::ScopedToday m_today;
    platform::ScopedSoundPlayer m_sound;
    platform::ScopedHelpHandler m_help;
};

// The entry shown: "Nom|Date".
QString shown(const Tarvelon& w);
QStringList listItems(const Tarvelon& w);
// Shows the window and waits until it is active (focus needs it).
bool showActive(QWidget& w);
// A button pressed as a screen reader presses it (the click comes a moment
// later, as with a mouse).
void press(QAbstractButton* button);

} // namespace test
