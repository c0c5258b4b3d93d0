#pragma once

#include "socle/sqlite.h"

#include <QByteArray>
#include <QString>

// The floor's SQLite connection with Qt's texts: paths and values as QString.
namespace platform {

class SqliteDatabase : public socle::Database {
public:
    using socle::Database::open;
    // Opens an existing file (create = false never makes one).
    bool open(const QString& path, bool create);
};

class SqliteStatement : public socle::Statement {
public:
    using socle::Statement::bind;
    using socle::Statement::Statement;
    void bind(int index, const QString& value);
    void bind(int index, qint64 value) { socle::Statement::bind(index, std::int64_t(value)); }
    // The column's UTF-8 bytes, valid until the next step.
    QByteArrayView columnBytes(int column) const;
    QString columnText(int column) const;
};

using socle::primaryCode;
using socle::SqliteAuth;
using socle::SqliteBusy;
using socle::SqliteCantOpen;
using socle::SqliteCorrupt;
using socle::SqliteDone;
using socle::SqliteFull;
using socle::SqliteIoErr;
using socle::SqliteLocked;
using socle::SqliteNotADb;
using socle::SqliteOk;
using socle::SqlitePerm;
using socle::SqliteReadOnly;
using socle::SqliteRow;

} // namespace platform
