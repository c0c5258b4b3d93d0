#pragma once

#include "store/criteria.h"

#include <QHash>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace platform {
class SqliteDatabase;
}

// One row of the table Fetes, with its identity in the file.
struct Entry {
    qint64 rowid = 0; // 0: not stored yet
    std::array<QString, FieldCount> fields;

    const QString& operator[](Field field) const { return fields[size_t(field)]; }
    QString& operator[](Field field) { return fields[size_t(field)]; }
};

enum class StoreOperation { Change, Add, Delete, NoEntry };

// A store the database refused, told in French to the user.
struct StoreFailure {
    StoreOperation operation;
    QString nom;
    QString date;
    QString reason;
    // What went wrong, then what the user can do.
    QString cause() const;
    QString message() const;
};

// The French words for an SQLite (extended) result code; never the engine's
// own English text.
QString frenchReason(int sqliteCode);

// The rows of one record source, in the table's insertion order, with a
// current position that may also stand before the first row (BOF) or after
// the last (EOF). Every move and find first lets the binding store what was
// typed into the record being left; if that store is refused, the move does
// not happen. An entry added since the last load stays at the end.
class RecordSet {
public:
    class Binding {
    public:
        virtual ~Binding() = default;
        // The current record is about to be left: store what was typed.
        // False refuses the move.
        virtual bool leaving() = 0;
        // The current record changed: show it.
        virtual void arrived() = 0;
        virtual void failed(const StoreFailure& failure) = 0;
    };

    explicit RecordSet(platform::SqliteDatabase& db);
    void setBinding(Binding* binding) { m_binding = binding; }

    // Reads the rows of a source afresh; the first row becomes current.
    bool load(const RecordSource& source, QString* error = nullptr);

    int recordCount() const { return int(m_rows.size()); }
    bool bof() const;
    bool eof() const;
    // The record shown: the new record while adding; null when there is none
    // (empty set, BOF, EOF, or just deleted).
    const Entry* current() const;
    bool isAdding() const { return m_adding; }

    bool moveFirst();
    bool moveLast();
    bool moveNext();
    bool movePrevious();

    bool findFirst(const Criterion& criterion);
    bool findNext(const Criterion& criterion);
    bool noMatch() const { return m_noMatch; }

    std::optional<qint64> bookmark() const;
    bool setBookmark(qint64 bookmark);

    bool addNew();
    bool setFieldValue(Field field, const QString& value);
    bool setFieldValue(const QString& fieldName, const QString& value);
    bool update();
    bool deleteCurrent();

private:
    bool leave();
    void arrive();
    void moveTo(int position);
    bool storeNew();
    bool storeEdit();
    int positionOf(qint64 rowid) const;
    bool find(const Criterion& criterion, int from);
    void fail(StoreOperation operation, const Entry& entry, const QString& reason);

    platform::SqliteDatabase& m_db;
    Binding* m_binding = nullptr;
    std::optional<Criterion> m_filter;

    std::vector<Entry> m_rows;
    int m_pos = -1;
    bool m_currentDeleted = false;
    bool m_noMatch = false;

    bool m_adding = false;
    Entry m_new;
    int m_posBeforeAdd = -1;
    bool m_deletedBeforeAdd = false;
    std::array<std::optional<QString>, FieldCount> m_pending;

    // Positions of each day key, built on the first find by date.
    std::optional<QHash<QString, std::vector<int>>> m_dateIndex;
};
