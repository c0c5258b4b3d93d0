#include "store/recordset.h"

#include <algorithm>

namespace store {

namespace {

void insertSorted(std::vector<int>& rows, int row)
{
    rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
}

void eraseSorted(std::vector<int>& rows, int row)
{
    const auto it = std::lower_bound(rows.begin(), rows.end(), row);
    if (it != rows.end() && *it == row)
        rows.erase(it);
}

bool containsSorted(const std::vector<int>& rows, int row)
{
    return std::binary_search(rows.begin(), rows.end(), row);
}

} // namespace

RecordSet::RecordSet(socle::Database& db) : m_db(db) {}

bool RecordSet::readTable(int* code)
{
    const std::optional<std::int64_t> version = m_db.dataVersion();
    if (!version) {
        if (code)
            *code = m_db.errorCode();
        return false;
    }
    if (m_dataVersion == version && m_ownChanges == m_db.totalChanges())
        return true; // nobody else wrote: the rows in memory are the file's
    std::vector<Entry> table;
    if (const int rc = socle::lireFiches(m_db, table); rc != socle::SqliteOk) {
        if (code)
            *code = rc;
        return false;
    }
    m_table = std::move(table);
    m_table.shrink_to_fit();
    m_erased.assign(m_table.size(), false);
    m_rowidsInOrder = true;
    m_views.clear();
    m_view = -1;
    m_dataVersion = version;
    m_ownChanges = m_db.totalChanges();
    return true;
}

RecordSet::View& RecordSet::viewOf(const std::optional<Criterion>& filter)
{
    for (View& view : m_views)
        if (view.filter == filter)
            return view;
    View& view = m_views.emplace_back();
    view.filter = filter;
    if (filter)
        view.matcher.emplace(*filter);
    for (int row = 0; row < int(m_table.size()); ++row)
        if (belongs(view, row))
            view.rows.push_back(row);
    return view;
}

bool RecordSet::belongs(const View& view, int row) const
{
    return !m_erased[size_t(row)] &&
           (!view.matcher || view.matcher->matches(m_table[size_t(row)].fiche));
}

void RecordSet::buildDays(DayIndex& days, const std::vector<int>& rows,
                          const std::vector<Entry>& table)
{
    days.clear();
    for (const int row : rows)
        days[table[size_t(row)].fiche.date].push_back(row);
}

const RecordSet::DayIndex& RecordSet::dayIndex()
{
    if (m_parted) {
        if (!m_ownDays)
            buildDays(m_ownDays.emplace(), m_members, m_table);
        return *m_ownDays;
    }
    View& view = m_views[size_t(m_view)];
    if (!view.days)
        buildDays(view.days.emplace(), view.rows, m_table);
    return *view.days;
}

void RecordSet::rowChanged(int row, const socle::Fiche& before)
{
    const socle::Fiche& now = m_table[size_t(row)].fiche;
    for (size_t v = 0; v < m_views.size(); ++v) {
        View& view = m_views[v];
        const bool was = containsSorted(view.rows, row);
        const bool is = belongs(view, row);
        if (was != is) {
            if (is)
                insertSorted(view.rows, row);
            else
                eraseSorted(view.rows, row);
            if (int(v) == m_view)
                m_parted = true; // the open set keeps the row until it is opened again
        }
        if (view.days && (was != is || before.date != now.date)) {
            if (was)
                eraseSorted((*view.days)[before.date], row);
            if (is)
                insertSorted((*view.days)[now.date], row);
        }
    }
    m_ownDays.reset();
}

void RecordSet::rowAdded(int row)
{
    for (size_t v = 0; v < m_views.size(); ++v) {
        View& view = m_views[v];
        if (!belongs(view, row)) {
            if (int(v) == m_view)
                m_parted = true;
            continue;
        }
        view.rows.push_back(row);
        if (view.days)
            (*view.days)[m_table[size_t(row)].fiche.date].push_back(row);
    }
    m_members.push_back(row); // an added entry stays at the end until the next load
    m_ownDays.reset();
}

void RecordSet::rowErased(int row)
{
    m_erased[size_t(row)] = true;
    for (View& view : m_views) {
        eraseSorted(view.rows, row);
        if (view.days)
            eraseSorted((*view.days)[m_table[size_t(row)].fiche.date], row);
    }
    eraseSorted(m_members, row);
    m_ownDays.reset();
}

void RecordSet::checkOthers(std::int64_t changesBefore)
{
    // The set's own store is in memory already; any other write since the
    // table was read (another program's, or one through this connection)
    // makes the next load read it again.
    if (changesBefore != m_ownChanges || m_db.dataVersion() != m_dataVersion)
        m_dataVersion.reset();
    m_ownChanges = m_db.totalChanges();
}

bool RecordSet::load(const RecordSource& source, int* code)
{
    if (!readTable(code))
        return false;
    View& view = viewOf(source.filter);
    m_view = int(&view - m_views.data());
    m_members = view.rows;
    m_filter = source.filter;
    m_parted = false;
    m_ownDays.reset();
    m_pos = m_members.empty() ? -1 : 0;
    m_currentDeleted = false;
    m_noMatch = false;
    m_adding = false;
    m_pending = {};
    arrive();
    return true;
}

bool RecordSet::bof() const
{
    return m_members.empty() || m_pos < 0;
}

bool RecordSet::eof() const
{
    return m_members.empty() || m_pos >= recordCount();
}

const Entry* RecordSet::current() const
{
    if (m_adding)
        return &m_new;
    if (m_currentDeleted || m_pos < 0 || m_pos >= recordCount())
        return nullptr;
    return &m_table[size_t(m_members[size_t(m_pos)])];
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
    if (!leave() || m_members.empty())
        return false;
    moveTo(0);
    return true;
}

bool RecordSet::moveLast()
{
    if (!leave() || m_members.empty())
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

int RecordSet::positionOfRow(int row) const
{
    const auto it = std::lower_bound(m_members.begin(), m_members.end(), row);
    if (it == m_members.end() || *it != row)
        return -1;
    return int(it - m_members.begin());
}

bool RecordSet::find(const Criterion& criterion, int from)
{
    if (!leave()) {
        m_noMatch = true;
        return false;
    }
    int found = -1;
    from = std::max(from, 0);
    if (from < recordCount()) {
        if (criterion.field == Field::Date && criterion.comparison == Comparison::Equals) {
            const DayIndex& days = dayIndex();
            if (const auto it = days.find(criterion.value.toStdString()); it != days.end()) {
                const auto next =
                    std::lower_bound(it->second.begin(), it->second.end(), m_members[size_t(from)]);
                if (next != it->second.end())
                    found = positionOfRow(*next);
            }
        } else {
            const Matcher matcher(criterion);
            for (int i = from; i < recordCount(); ++i) {
                if (matcher.matches(m_table[size_t(m_members[size_t(i)])].fiche)) {
                    found = i;
                    break;
                }
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

std::vector<const Entry*> RecordSet::entriesOfDay(const QString& day)
{
    std::vector<const Entry*> entries;
    if (m_members.empty())
        return entries;
    const DayIndex& days = dayIndex();
    if (const auto it = days.find(day.toStdString()); it != days.end())
        for (const int row : it->second)
            entries.push_back(&m_table[size_t(row)]);
    return entries;
}

std::optional<qint64> RecordSet::bookmark() const
{
    const Entry* entry = current();
    if (!entry || m_adding)
        return std::nullopt;
    return entry->rowid;
}

int RecordSet::rowOf(qint64 rowid) const
{
    int row = -1;
    if (m_rowidsInOrder) {
        // Read in rowid order, and a new row gets a rowid above every row.
        const auto it = std::lower_bound(m_table.begin(), m_table.end(), rowid,
                                         [](const Entry& e, qint64 id) { return e.rowid < id; });
        if (it != m_table.end() && it->rowid == rowid)
            row = int(it - m_table.begin());
    } else {
        for (size_t i = 0; i < m_table.size(); ++i)
            if (m_table[i].rowid == rowid && !m_erased[i])
                row = int(i);
    }
    return row >= 0 && !m_erased[size_t(row)] ? row : -1;
}

bool RecordSet::setBookmark(qint64 bookmark)
{
    // Leaving may store a new entry, which only ever goes at the end.
    const int row = rowOf(bookmark);
    const int position = row < 0 ? -1 : positionOfRow(row);
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
        m_new.fiche[field] = value.toStdString();
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

void RecordSet::fail(StoreOperation operation, const socle::Fiche& fiche, int code)
{
    if (m_binding)
        m_binding->failed({operation, QString::fromStdString(fiche.nom),
                           QString::fromStdString(fiche.date), code});
}

bool RecordSet::storeNew()
{
    // A record added to a set opened on "field = value" belongs to that set.
    if (m_filter && m_filter->comparison == Comparison::Equals &&
        m_new.fiche[m_filter->field].empty())
        m_new.fiche[m_filter->field] = m_filter->value.toStdString();

    const std::int64_t changesBefore = m_db.totalChanges();
    std::int64_t rowid = 0;
    if (const int rc = socle::ajouterFiche(m_db, m_new.fiche, rowid); rc != socle::SqliteOk) {
        fail(StoreOperation::Add, m_new.fiche, rc);
        return false;
    }
    m_new.rowid = rowid;
    if (!m_table.empty() && rowid <= m_table.back().rowid)
        m_rowidsInOrder = false;
    m_table.push_back(m_new);
    m_erased.push_back(false);
    rowAdded(int(m_table.size()) - 1);
    checkOthers(changesBefore);
    m_adding = false;
    m_pos = m_posBeforeAdd;
    m_currentDeleted = m_deletedBeforeAdd;
    arrive();
    return true;
}

bool RecordSet::storeEdit()
{
    const int row = m_members[size_t(m_pos)];
    Entry& entry = m_table[size_t(row)];
    socle::Fiche changed = entry.fiche;
    std::array<bool, FieldCount> fields{};
    bool any = false;
    for (int f = 0; f < FieldCount; ++f) {
        if (!m_pending[size_t(f)])
            continue;
        std::string value = m_pending[size_t(f)]->toStdString();
        if (value == entry.fiche[Field(f)])
            continue;
        changed[Field(f)] = std::move(value);
        fields[size_t(f)] = true;
        any = true;
    }
    m_pending = {};
    if (!any)
        return true;

    const std::int64_t changesBefore = m_db.totalChanges();
    bool found = true;
    if (const int rc = socle::modifierFiche(m_db, entry.rowid, changed, fields, found);
        rc != socle::SqliteOk) {
        fail(StoreOperation::Change, changed, rc);
        return false;
    }
    if (!found) {
        fail(StoreOperation::Change, changed, socle::SqliteOk);
        return false;
    }
    const socle::Fiche before = std::exchange(entry.fiche, std::move(changed));
    rowChanged(row, before);
    checkOthers(changesBefore);
    return true;
}

bool RecordSet::deleteCurrent()
{
    if (m_adding || !current())
        return false;
    const int row = m_members[size_t(m_pos)];
    const Entry& entry = m_table[size_t(row)];
    const std::int64_t changesBefore = m_db.totalChanges();
    if (const int rc = socle::supprimerFiche(m_db, entry.rowid); rc != socle::SqliteOk) {
        fail(StoreOperation::Delete, entry.fiche, rc);
        return false;
    }
    rowErased(row);
    checkOthers(changesBefore);
    m_currentDeleted = true;
    arrive();
    return true;
}

} // namespace store
