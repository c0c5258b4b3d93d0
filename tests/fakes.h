#pragma once

#include "platform/messagebox.h"
#include "platform/sound.h"
#include "socle/fetes.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace test {
// Records every sound asked for; answers as told.
class FakeSound : public platform::SoundPlayer {
public:
    bool playWave(const QString& path) override;
    void beep() override;

    bool answer = true;             // what playWave answers
    QStringList events;             // "play:<path>" and "beep", in order
    QStringList* journal = nullptr; // shared with the messages, for ordering
};

// Records every message box; answers from a queue, else its default button.
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

// A row of the table Fetes.
using Row = socle::Fiche;

// Writes a database file with the table Fetes and the rows.
void writeDatabase(const QString& path, const std::vector<Row>& rows);
// The rows of a database file as stored, in rowid order, each
// "Nom|Date|Annee|MF" (or joined by another separator); none when unreadable.
QStringList storedRows(const QString& path, QChar separator = QLatin1Char('|'));

// A file of these bytes (replaced when there); its path, or empty.
QString writeFile(const QString& path, const QByteArray& bytes);
// A file's bytes; empty when unreadable.
QByteArray readFile(const QString& path);

} // namespace test
