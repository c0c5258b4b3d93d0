#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

class SqliteStatement;

// A connection to one SQLite file, closed on destruction. Values only ever
// reach SQL as bound parameters.
class SqliteDatabase {
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Opens an existing file (create = false never makes one).
    bool open(const QString& path, bool create);
    void close();

    bool exec(const char* sql);
    void setBusyTimeout(int milliseconds);

    // The extended result code of the last call (primaryCode gives its kind).
    int errorCode() const;
    qint64 lastInsertRowId() const;
    int changes() const;

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    void bind(int index, const QString& value);
    void bind(int index, qint64 value);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();

    qint64 columnInt64(int column) const;
    // The column's UTF-8 bytes, valid until the next step.
    QByteArrayView columnBytes(int column) const;
    QString columnText(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Result codes used by callers.
enum SqliteCode {
    SqliteOk = 0,
    SqlitePerm = 3,
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteReadOnly = 8,
    SqliteIoErr = 10,
    SqliteCorrupt = 11,
    SqliteFull = 13,
    SqliteCantOpen = 14,
    SqliteAuth = 23,
    SqliteNotADb = 26,
    SqliteRow = 100,
    SqliteDone = 101
};

// The kind of an extended result code.
constexpr int primaryCode(int code)
{
    return code & 0xFF;
}

// How long a store waits for a file another program holds.
constexpr int SqliteBusyTimeout = 3000;

} // namespace platform
