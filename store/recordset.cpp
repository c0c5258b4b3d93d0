#include "store/recordset.h"

#include "platform/messagebox.h"
#include "platform/raisons.h"
#include "platform/sqlite.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

// Shares one QString between all equal values of a short column while
// loading, so that a hundred thousand "0000" cost one string.
class Interner {
public:
    QString get(QByteArrayView bytes)
    {
        if (bytes == QByteArrayView(m_lastKey))
            return m_last;
        const std::string_view key(bytes.data(), size_t(bytes.size()));
        auto it = m_map.find(key);
        if (it == m_map.end())
            it = m_map.emplace(std::string(key), QString::fromUtf8(bytes)).first;
        m_lastKey = QByteArray(bytes.data(), bytes.size());
        m_last = it->second;
        return m_last;
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_map;
    QByteArray m_lastKey;
    QString m_last;
};

} // namespace

QString frenchReason(int code)
{
    return QString::fromStdString(platform::raisonSqlite(code));
}

QString StoreFailure::cause() const
{
    const QString who = QStringLiteral("« %1 » (%2)").arg(nom, date);
    switch (operation) {
    case StoreOperation::Change:
        return QStringLiteral("Les modifications de ") + who +
               QStringLiteral(" n'ont pas pu être enregistrées :") + platform::LineBreak + reason +
               '.';
    case StoreOperation::Add:
        return QStringLiteral("La nouvelle entrée ") + who +
               QStringLiteral(" n'a pas pu être enregistrée :") + platform::LineBreak + reason +
               '.';
    case StoreOperation::Delete:
        return QStringLiteral("L'entrée ") + who + QStringLiteral(" n'a pas pu être supprimée :") +
               platform::LineBreak + reason + '.';
    case StoreOperation::NoEntry:
        return QStringLiteral("Aucune entrée n'est affichée : ce que vous avez tapé (") + who +
               QStringLiteral(") n'est pas enregistré.");
    }
    return {};
}

QString StoreFailure::message() const
{
    switch (operation) {
    case StoreOperation::Change:
    case StoreOperation::Add:
        return cause() + platform::LineBreak +
               QStringLiteral("Ce que vous avez tapé reste affiché.");
    case StoreOperation::Delete:
        return cause();
    case StoreOperation::NoEntry:
        return cause() + platform::LineBreak +
               QStringLiteral("Utilisez « Ajouter » pour créer une entrée.");
    }
    return {};
}

RecordSet::RecordSet(platform::SqliteDatabase& db) : m_db(db) {}

bool RecordSet::load(const RecordSource& source, QString* error)
{
    static const char* const queries[] = {
        "SELECT rowid, Nom, Date, Annee, MF FROM Fetes ORDER BY rowid",
        "SELECT rowid, Nom, Date, Annee, MF FROM Fetes WHERE Annee = ?1 ORDER BY rowid",
        "SELECT rowid, Nom, Date, Annee, MF FROM Fetes WHERE Annee <> ?1 ORDER BY rowid"};
    int which = 0;
    if (source.filter && source.filter->field == Field::Annee)
        which = source.filter->comparison == Comparison::NotEquals ? 2 : 1;

    platform::SqliteStatement query(m_db, queries[which]);
    if (which != 0)
        query.bind(1, source.filter->value);

    std::vector<Entry> rows;
    std::array<Interner, FieldCount> interners;
    int rc;
    while ((rc = query.step()) == platform::SqliteRow) {
        Entry& entry = rows.emplace_back();
        entry.rowid = query.columnInt64(0);
        // Names are mostly distinct: converted as they come.
        entry[Field::Nom] = QString::fromUtf8(query.columnBytes(1));
        for (int f = 1; f < FieldCount; ++f)
            entry.fields[size_t(f)] = interners[size_t(f)].get(query.columnBytes(f + 1));
    }
    if (rc != platform::SqliteDone || !query.isValid()) {
        if (error)
            *error = frenchReason(m_db.errorCode());
        return false;
    }

    m_rows = std::move(rows);
    m_rows.shrink_to_fit();
    m_filter = source.filter;
    m_pos = m_rows.empty() ? -1 : 0;
    m_currentDeleted = false;
    m_noMatch = false;
    m_adding = false;
    m_pending = {};
    m_dateIndex.reset();
    arrive();
    return true;
}

bool RecordSet::bof() const
{
    return m_rows.empty() || m_pos < 0;
}

bool RecordSet::eof() const
{
    return m_rows.empty() || m_pos >= recordCount();
}

const Entry* RecordSet::current() const
{
    if (m_adding)
        return &m_new;
    if (m_currentDeleted || m_pos < 0 || m_pos >= recordCount())
        return nullptr;
    return &m_rows[size_t(m_pos)];
}

bool RecordSet::leave()
{
    if (m_binding && !m_binding->leaving())
        return false;
    if (m_adding) { // nothing was typed into it: the new record is abandoned
        m_adding = false;
        m_pos = m_posBeforeAdd;
        m_currentDeleted = m_deletedBeforeAdd;
    }
    return true;
}

void RecordSet::arrive()
{
    m_pending = {};
    if (m_binding)
        m_binding->arrived();
}

void RecordSet::moveTo(int position)
{
    m_pos = position;
    m_currentDeleted = false;
    arrive();
}

bool RecordSet::moveFirst()
{
    if (!leave() || m_rows.empty())
        return false;
    moveTo(0);
    return true;
}

bool RecordSet::moveLast()
{
    if (!leave() || m_rows.empty())
        return false;
    moveTo(recordCount() - 1);
    return true;
}

bool RecordSet::moveNext()
{
    if (!leave())
        return false;
    if (m_currentDeleted) { // the row that followed the deleted one
        moveTo(m_pos);
        return true;
    }
    if (eof())
        return false;
    moveTo(m_pos + 1);
    return true;
}

bool RecordSet::movePrevious()
{
    if (!leave())
        return false;
    if (!m_currentDeleted && bof())
        return false;
    moveTo(m_pos - 1);
    return true;
}

bool RecordSet::find(const Criterion& criterion, int from)
{
    if (!leave()) {
        m_noMatch = true;
        return false;
    }
    int found = -1;
    from = std::max(from, 0);
    if (criterion.field == Field::Date && criterion.comparison == Comparison::Equals) {
        if (!m_dateIndex) {
            m_dateIndex.emplace();
            for (int i = 0; i < recordCount(); ++i)
                (*m_dateIndex)[m_rows[size_t(i)][Field::Date]].push_back(i);
        }
        if (auto it = m_dateIndex->constFind(criterion.value); it != m_dateIndex->cend()) {
            const auto next = std::lower_bound(it->begin(), it->end(), from);
            if (next != it->end())
                found = *next;
        }
    } else {
        const Matcher matcher(criterion);
        for (int i = from; i < recordCount(); ++i) {
            if (matcher.matches(m_rows[size_t(i)][criterion.field])) {
                found = i;
                break;
            }
        }
    }
    m_noMatch = found < 0;
    if (found >= 0)
        moveTo(found);
    return true;
}

bool RecordSet::findFirst(const Criterion& criterion)
{
    return find(criterion, 0);
}

bool RecordSet::findNext(const Criterion& criterion)
{
    int from = m_pos + 1;
    if (m_adding)
        from = m_posBeforeAdd + 1;
    else if (m_currentDeleted)
        from = m_pos; // the row that followed the deleted one
    return find(criterion, from);
}

std::optional<qint64> RecordSet::bookmark() const
{
    const Entry* entry = current();
    if (!entry || m_adding)
        return std::nullopt;
    return entry->rowid;
}

int RecordSet::positionOf(qint64 rowid) const
{
    // Rows stay in rowid order: loaded that way, and a new row gets a rowid
    // above every row of the table.
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), rowid,
                                     [](const Entry& e, qint64 id) { return e.rowid < id; });
    if (it == m_rows.end() || it->rowid != rowid)
        return -1;
    return int(it - m_rows.begin());
}

bool RecordSet::setBookmark(qint64 bookmark)
{
    // Leaving may store a new entry, which only ever goes at the end.
    const int position = positionOf(bookmark);
    if (position < 0 || !leave())
        return false;
    moveTo(position);
    return true;
}

bool RecordSet::addNew()
{
    if (!leave())
        return false;
    m_posBeforeAdd = m_pos;
    m_deletedBeforeAdd = m_currentDeleted;
    m_new = Entry{};
    m_adding = true;
    arrive();
    return true;
}

bool RecordSet::setFieldValue(Field field, const QString& value)
{
    if (m_adding) {
        m_new[field] = value;
        return true;
    }
    if (!current())
        return false;
    m_pending[size_t(field)] = value;
    return true;
}

bool RecordSet::setFieldValue(const QString& name, const QString& value)
{
    const auto field = fieldFromName(name);
    return field && setFieldValue(*field, value);
}

bool RecordSet::update()
{
    if (m_adding)
        return storeNew();
    if (!current())
        return false;
    return storeEdit();
}

void RecordSet::fail(StoreOperation operation, const Entry& entry, const QString& reason)
{
    if (m_binding)
        m_binding->failed({operation, entry[Field::Nom], entry[Field::Date], reason});
}

bool RecordSet::storeNew()
{
    // A record added to a set opened on "field = value" belongs to that set.
    if (m_filter && m_filter->comparison == Comparison::Equals && m_new[m_filter->field].isEmpty())
        m_new[m_filter->field] = m_filter->value;

    platform::SqliteStatement insert(
        m_db, "INSERT INTO Fetes (Nom, Date, Annee, MF) VALUES (?1, ?2, ?3, ?4)");
    for (int f = 0; f < FieldCount; ++f)
        insert.bind(f + 1, m_new.fields[size_t(f)]);
    if (insert.step() != platform::SqliteDone) {
        fail(StoreOperation::Add, m_new, frenchReason(m_db.errorCode()));
        return false;
    }
    m_new.rowid = m_db.lastInsertRowId();
    m_rows.push_back(m_new);
    m_dateIndex.reset();
    m_adding = false;
    m_pos = m_posBeforeAdd;
    m_currentDeleted = m_deletedBeforeAdd;
    arrive();
    return true;
}

bool RecordSet::storeEdit()
{
    Entry& entry = m_rows[size_t(m_pos)];
    Entry changed = entry;
    QString sql = QStringLiteral("UPDATE Fetes SET ");
    int count = 0;
    for (int f = 0; f < FieldCount; ++f) {
        if (!m_pending[size_t(f)] || *m_pending[size_t(f)] == entry.fields[size_t(f)])
            continue;
        changed.fields[size_t(f)] = *m_pending[size_t(f)];
        if (count)
            sql += QStringLiteral(", ");
        sql += fieldName(Field(f)) + QStringLiteral(" = ?") + QString::number(f + 1);
        ++count;
    }
    m_pending = {};
    if (count == 0)
        return true;
    sql += QStringLiteral(" WHERE rowid = ?5");

    const QByteArray text = sql.toUtf8();
    platform::SqliteStatement statement(m_db, text.constData());
    for (int f = 0; f < FieldCount; ++f)
        statement.bind(f + 1, changed.fields[size_t(f)]);
    statement.bind(5, entry.rowid);
    if (statement.step() != platform::SqliteDone) {
        fail(StoreOperation::Change, changed, frenchReason(m_db.errorCode()));
        return false;
    }
    if (m_db.changes() == 0) {
        fail(StoreOperation::Change, changed,
             QStringLiteral("l'entrée n'existe plus dans le fichier"));
        return false;
    }
    if (changed[Field::Date] != entry[Field::Date])
        m_dateIndex.reset();
    entry = std::move(changed);
    return true;
}

bool RecordSet::deleteCurrent()
{
    if (m_adding || !current())
        return false;
    const Entry& entry = m_rows[size_t(m_pos)];
    platform::SqliteStatement statement(m_db, "DELETE FROM Fetes WHERE rowid = ?1");
    statement.bind(1, entry.rowid);
    if (statement.step() != platform::SqliteDone) {
        fail(StoreOperation::Delete, entry, frenchReason(m_db.errorCode()));
        return false;
    }
    m_rows.erase(m_rows.begin() + m_pos);
    m_dateIndex.reset();
    m_currentDeleted = true;
    arrive();
    return true;
}
