#include "fakes.h"

#include "platform/sqlite.h"

#include <QtTest>

namespace test {

bool FakeSound::playWave(const QString& path)
{
    events << QStringLiteral("play:") + path;
    if (journal)
        *journal << QStringLiteral("play:") + path;
    return answer;
}

void FakeSound::beep()
{
    events << QStringLiteral("beep");
    if (journal)
        *journal << QStringLiteral("beep");
}

FakeMessages::FakeMessages()
    : m_guard([this](const platform::MessageRequest& request) {
        shown.push_back(request);
        if (journal)
            *journal << QStringLiteral("message:") + request.text;
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        // Else the default button: Yes for a question, unless No is made the default.
        if ((request.style & ~platform::MbDefaultButton2) != platform::MbYesNoQuestion)
            return int(platform::AnswerOk);
        return (request.style & platform::MbDefaultButton2) ? int(platform::AnswerNo)
                                                            : int(platform::AnswerYes);
    })
{
}

QStringList FakeMessages::texts() const
{
    QStringList list;
    for (const auto& request : shown)
        list << request.text;
    return list;
}

void writeDatabase(const QString& path, const std::vector<Row>& rows)
{
    platform::SqliteDatabase db;
    QVERIFY(db.open(path, true));
    QVERIFY(db.exec("CREATE TABLE Fetes (Nom TEXT, Date TEXT, Annee TEXT, MF TEXT)"));
    platform::SqliteStatement insert(db, "INSERT INTO Fetes VALUES (?1, ?2, ?3, ?4)");
    for (const Row& row : rows) {
        insert.bind(1, row.nom);
        insert.bind(2, row.date);
        insert.bind(3, row.annee);
        insert.bind(4, row.mf);
        QCOMPARE(insert.step(), int(platform::SqliteDone));
        insert.reset();
    }
}

QStringList storedRows(const QString& path, QChar separator)
{
    platform::SqliteDatabase db;
    QStringList list;
    if (!db.open(path, false))
        return list;
    platform::SqliteStatement query(db, "SELECT Nom, Date, Annee, MF FROM Fetes ORDER BY rowid");
    while (query.step() == platform::SqliteRow)
        list << QStringList{query.columnText(0), query.columnText(1), query.columnText(2),
                            query.columnText(3)}
                    .join(separator);
    return list;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace test
