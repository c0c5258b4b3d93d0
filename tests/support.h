#pragma once

#include "platform/clock.h"
#include "platform/help.h"
#include "platform/messagebox.h"
#include "platform/sound.h"
#include "windows/main/tarvelon.h"

#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <vector>

namespace test {

// Records every sound asked for; answers as told.
class FakeSound : public platform::SoundPlayer {
public:
    bool playWave(const QString& path) override;
    void beep() override;

    bool answer = true;       // what playWave answers
    QStringList events;       // "play:<path>" and "beep", in order
    QStringList* journal = nullptr; // shared with the messages, for ordering
};

// Records every message box; answers from a queue, else OK (Yes for 36).
class FakeMessages {
public:
    FakeMessages();
    std::vector<platform::MessageRequest> shown;
    std::deque<int> answers;
    QStringList* journal = nullptr;
    QStringList texts() const;

private:
    platform::ScopedMessageHandler m_guard;
};

struct Row {
    QString nom, date, annee, mf;
};

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

// Writes a database file with the table Fetes and the rows.
void writeDatabase(const QString& path, const std::vector<Row>& rows);

// The entry shown: "Nom|Date".
QString shown(const Tarvelon& w);
QStringList listItems(const Tarvelon& w);
// Shows the window and waits until it is active (focus needs it).
bool showActive(QWidget& w);

} // namespace test
