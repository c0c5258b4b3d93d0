#pragma once

#include "socle/fetes.h"
#include "store/criteria.h"

#include <QString>
#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace store {

// One row of the table, with its identity in the file (rowid 0: not stored
// yet).
using Entry = socle::FicheStockee;

enum class StoreOperation { Change, Add, Delete, NoEntry };

// A store the database refused: what was refused, on which entry, and
// SQLite's code (0 for a change: the entry is no longer in the file). The
// window tells it to the user.
struct StoreFailure {
    StoreOperation operation = StoreOperation::Change;
    QString nom;
    QString date;
    int code = 0;
};

// The rows of one record source, in the table's insertion order, with a
// current position that may also stand before the first row (BOF) or after
// the last (EOF). Every move and find first lets the binding store what was
// typed into the record being left; if that store is refused, the move does
// not happen. An entry added since the last load stays at the end.
//
// The whole table is kept in memory and read again only when another program
// has written to the file since (SQLite's data version), so opening the
// other record source, or the same one again, reads nothing. Each record
// source keeps its rows and a day index up to date through the set's own
// stores.
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

    explicit RecordSet(socle::Database& db);
    void setBinding(Binding* binding) { m_binding = binding; }

    // Opens the rows of a source afresh; the first row becomes current. On
    // failure, *code is SQLite's reason.
    bool load(const RecordSource& source, int* code = nullptr);

    int recordCount() const { return int(m_members.size()); }
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

    // The entries of a day, in record order, found through the day index;
    // the record set does not move.
    std::vector<const Entry*> entriesOfDay(const QString& day);

    std::optional<qint64> bookmark() const;
    bool setBookmark(qint64 bookmark);

    bool addNew();
    bool setFieldValue(Field field, const QString& value);
    bool setFieldValue(const QString& fieldName, const QString& value);
    bool update();
    bool deleteCurrent();

private:
    // The rows of one record source: positions in m_table, ascending, and
    // their positions by day.
    struct View {
        std::optional<Criterion> filter;
        std::optional<Matcher> matcher;
        std::vector<int> rows;
        std::optional<std::unordered_map<std::string, std::vector<int>>> days;
    };
    using DayIndex = std::unordered_map<std::string, std::vector<int>>;

    bool readTable(int* code);
    View& viewOf(const std::optional<Criterion>& filter);
    bool belongs(const View& view, int row) const;
    const DayIndex& dayIndex();
    static void buildDays(DayIndex& days, const std::vector<int>& rows,
                          const std::vector<Entry>& table);
    // The table changed by one of the set's own stores.
    void rowChanged(int row, const socle::Fiche& before);
    void rowAdded(int row);
    void rowErased(int row);
    void checkOthers(std::int64_t changesBefore);

    bool leave();
    void arrive();
    void moveTo(int position);
    bool storeNew();
    bool storeEdit();
    int positionOfRow(int row) const;
    int rowOf(qint64 rowid) const;
    bool find(const Criterion& criterion, int from);
    void fail(StoreOperation operation, const socle::Fiche& fiche, int code);

    socle::Database& m_db;
    Binding* m_binding = nullptr;

    // Every row of the table, in rowid order; an erased row keeps its place
    // until the table is read again.
    std::vector<Entry> m_table;
    std::vector<bool> m_erased;
    // What the file was when the table was read: the other programs' commits
    // (none: to be read), and the rows this connection had written then,
    // the set's own stores included (an import through the same connection
    // is not).
    std::optional<std::int64_t> m_dataVersion;
    std::int64_t m_ownChanges = 0;
    bool m_rowidsInOrder = true;
    std::vector<View> m_views;

    // The open set: positions in m_table, ascending. While it holds exactly
    // its view's rows it shares the view's day index; after a store that
    // parts them (a row added or changed out of the source), it has its own.
    std::vector<int> m_members;
    std::optional<Criterion> m_filter;
    int m_view = -1;
    bool m_parted = false;
    std::optional<DayIndex> m_ownDays;

    int m_pos = -1;
    bool m_currentDeleted = false;
    bool m_noMatch = false;

    bool m_adding = false;
    Entry m_new;
    int m_posBeforeAdd = -1;
    bool m_deletedBeforeAdd = false;
    std::array<std::optional<QString>, FieldCount> m_pending;
};

} // namespace store
