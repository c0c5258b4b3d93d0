#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace socle {

// How long a request waits for a file another program holds.
inline constexpr int BusyTimeout = 3000;

enum class OpenMode {
    ReadWrite, // an existing file
    ReadOnly,  // an existing file, never changed
    Create     // made when missing
};

// A connection to one SQLite file, closed on destruction. Values only ever
// reach SQL as bound parameters. Every connection waits BusyTimeout for a
// file another program holds, and reports extended result codes (a file
// moved away is told apart from a read-only one).
class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool open(const std::string& path, OpenMode mode);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    bool exec(const char* sql);
    void setBusyTimeout(int milliseconds);
    // Nothing can be written through this connection from now on (a journal
    // left by a crash is still rolled back).
    bool setQueryOnly();
    // Keeps up to kibibytes of the file's pages in memory between reads.
    void setCacheSize(int kibibytes);

    // The extended result code of the last call (primaryCode gives its kind).
    int errorCode() const;
    std::int64_t lastInsertRowId() const;
    int changes() const;
    bool inTransaction() const;
    // Changes each time another connection commits to the file; none when
    // the file cannot be read (errorCode says why).
    std::optional<std::int64_t> dataVersion();
    // The rows this connection has inserted, changed or deleted since it was
    // opened.
    std::int64_t totalChanges() const;

    // The file's path, as SQLite holds it; empty when none is open.
    std::string path() const;

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

// A transaction for the life of the object: begun on construction, rolled
// back on destruction unless committed. Inside a transaction the caller
// already holds, it joins it: commit and rollback are then the caller's.
class Transaction {
public:
    enum class Lock {
        Deferred, // takes the file's lock at the first read or write
        Immediate // takes the write lock now: no other writer from here on
    };
    explicit Transaction(Database& db, Lock lock = Lock::Immediate);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // SqliteOk when the transaction is open, else why it could not begin.
    int code() const { return m_code; }
    bool isOpen() const { return m_code == 0; }
    // SqliteOk, else the reason (the transaction is then rolled back).
    int commit();
    void rollback();

private:
    Database& m_db;
    bool m_owned = false;
    bool m_done = false;
    int m_code = 0;
};

class Statement {
public:
    Statement(Database& db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    // The text is copied: it need not outlive the call.
    void bind(int index, std::string_view value);
    void bind(int index, std::int64_t value);
    // SqliteRow, SqliteDone or an extended error code, also kept in code().
    int step();
    void reset();
    // The code of the last step, or of the preparation when it failed.
    int code() const { return m_code; }

    std::int64_t columnInt64(int column) const;
    // The column's UTF-8 bytes, valid until the next step.
    std::string_view columnText(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_code = 0;
};

// Result codes used by callers.
enum SqliteCode {
    SqliteOk = 0,
    SqlitePerm = 3,
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteReadOnly = 8,
    SqliteReadOnlyRollback =
        8 | (3 << 8), // a hot journal that a read-only connection cannot roll back
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

} // namespace socle
