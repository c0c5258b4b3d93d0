#include "socle/sqlite.h"

#include <sqlite3.h>

namespace socle {

Database::~Database()
{
    close();
}

bool Database::open(const std::string& path, OpenMode mode)
{
    close();
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case OpenMode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case OpenMode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case OpenMode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (m_db == nullptr)
        return false;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, BusyTimeout);
    return rc == SQLITE_OK;
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool Database::exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void Database::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(m_db, milliseconds);
}

bool Database::setQueryOnly()
{
    return exec("PRAGMA query_only = ON");
}

void Database::setCacheSize(int kibibytes)
{
    Statement taille(*this, "PRAGMA cache_size = -" + std::to_string(kibibytes));
    taille.step();
}

int Database::errorCode() const
{
    return m_db ? sqlite3_extended_errcode(m_db) : SQLITE_CANTOPEN;
}

std::int64_t Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

std::string Database::path() const
{
    const char* chemin = m_db ? sqlite3_db_filename(m_db, "main") : nullptr;
    return chemin ? chemin : "";
}

bool Database::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

std::int64_t Database::totalChanges() const
{
    return m_db ? sqlite3_total_changes64(m_db) : 0;
}

std::optional<std::int64_t> Database::dataVersion()
{
    Statement version(*this, "PRAGMA data_version");
    if (version.step() != SQLITE_ROW)
        return std::nullopt;
    return version.columnInt64(0);
}

Transaction::Transaction(Database& db, Lock lock) : m_db(db)
{
    if (db.inTransaction())
        return; // the caller's
    if (!db.exec(lock == Lock::Immediate ? "BEGIN IMMEDIATE" : "BEGIN"))
        m_code = db.errorCode();
    else
        m_owned = true;
}

Transaction::~Transaction()
{
    rollback();
}

int Transaction::commit()
{
    if (m_code != SQLITE_OK)
        return m_code;
    if (!m_owned || m_done)
        return SQLITE_OK;
    if (!m_db.exec("COMMIT")) {
        const int code = m_db.errorCode();
        rollback();
        return code;
    }
    m_done = true;
    return SQLITE_OK;
}

void Transaction::rollback()
{
    if (m_owned && !m_done) {
        m_done = true;
        if (m_db.inTransaction())
            m_db.exec("ROLLBACK");
    }
}

Statement::Statement(Database& db, std::string_view sql)
{
    m_code = db.handle()
                 ? sqlite3_prepare_v2(db.handle(), sql.data(), int(sql.size()), &m_stmt, nullptr)
                 : SQLITE_CANTOPEN;
    if (m_code != SQLITE_OK && db.handle())
        m_code = sqlite3_extended_errcode(db.handle());
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, std::string_view value)
{
    // An empty text is a text, never NULL.
    sqlite3_bind_text(m_stmt, index, value.empty() ? "" : value.data(), int(value.size()),
                      SQLITE_TRANSIENT);
}

void Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

int Statement::step()
{
    if (!m_stmt)
        return m_code == SQLITE_OK ? SQLITE_MISUSE : m_code;
    m_code = sqlite3_step(m_stmt);
    if (m_code != SQLITE_ROW && m_code != SQLITE_DONE)
        m_code = sqlite3_extended_errcode(sqlite3_db_handle(m_stmt));
    return m_code;
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t Statement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string_view Statement::columnText(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!text)
        return {};
    return std::string_view(text, size_t(sqlite3_column_bytes(m_stmt, column)));
}

} // namespace socle
