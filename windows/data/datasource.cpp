#include "windows/data/datasource.h"

#include "platform/messagebox.h"
#include "socle/raisons.h"
#include "store/calendrier.h"

#include <utility>

namespace windows {

using namespace store;

namespace {

QString raison(int code)
{
    return QString::fromStdString(socle::raisonSqlite(code));
}

} // namespace

QString causeDuRefus(const StoreFailure& failure)
{
    const QString who = QStringLiteral("« %1 » (%2)").arg(failure.nom, failure.date);
    switch (failure.operation) {
    case StoreOperation::Change:
        return QStringLiteral("Les modifications de ") + who +
               QStringLiteral(" n'ont pas pu être enregistrées :") + platform::LineBreak +
               (failure.code == socle::SqliteOk
                    ? QStringLiteral("l'entrée n'existe plus dans le fichier")
                    : raison(failure.code)) +
               '.';
    case StoreOperation::Add:
        return QStringLiteral("La nouvelle entrée ") + who +
               QStringLiteral(" n'a pas pu être enregistrée :") + platform::LineBreak +
               raison(failure.code) + '.';
    case StoreOperation::Delete:
        return QStringLiteral("L'entrée ") + who + QStringLiteral(" n'a pas pu être supprimée :") +
               platform::LineBreak + raison(failure.code) + '.';
    case StoreOperation::NoEntry:
        return QStringLiteral("Aucune entrée n'est affichée : ce que vous avez tapé (") + who +
               QStringLiteral(") n'est pas enregistré.");
    }
    return {};
}

QString messageDuRefus(const StoreFailure& failure)
{
    switch (failure.operation) {
    case StoreOperation::Change:
    case StoreOperation::Add:
        return causeDuRefus(failure) + platform::LineBreak +
               QStringLiteral("Ce que vous avez tapé reste affiché.");
    case StoreOperation::Delete:
        return causeDuRefus(failure);
    case StoreOperation::NoEntry:
        return causeDuRefus(failure) + platform::LineBreak +
               QStringLiteral("Utilisez « Ajouter » pour créer une entrée.");
    }
    return {};
}

DataSource::DataSource(QObject* parent)
    : QObject(parent), m_source(sourceTable()), m_recordset(m_db)
{
    m_recordset.setBinding(this);
}

DataSource::~DataSource()
{
    m_recordset.setBinding(nullptr);
}

DataSource::Action::Action(DataSource& source) : m_source(source)
{
    if (m_source.m_actionDepth++ == 0)
        m_source.m_failureReported = false;
}

DataSource::Action::~Action()
{
    // The action told its refusal without waiting again: the next one waits.
    if (--m_source.m_actionDepth == 0 && m_source.m_failureReported)
        m_source.m_db.setBusyTimeout(m_source.m_busyTimeout);
}

bool DataSource::open(QString* message)
{
    if (!openCalendar(m_db, m_databaseName, message))
        return false;
    m_db.setBusyTimeout(m_busyTimeout);
    return true;
}

void DataSource::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    m_db.setBusyTimeout(milliseconds);
}

bool DataSource::refresh()
{
    // What was typed into the shown entry is stored before the set is read
    // again, as a move would.
    if (!leaving())
        return false;
    int code = socle::SqliteOk;
    if (!m_recordset.load(m_source, &code)) {
        report(QStringLiteral("La base de données %1 ne peut pas être lue :").arg(m_databaseName) +
               platform::LineBreak + raison(code) + '.');
        return false;
    }
    return true;
}

void DataSource::updateControls()
{
    arrived();
}

void DataSource::bind(Field field, QLineEdit* box)
{
    m_boxes[size_t(field)] = box;
    arrived();
}

QString DataSource::asShown(Field field, const std::string& value) const
{
    const QString text = QString::fromStdString(value);
    const QLineEdit* box = m_boxes[size_t(field)];
    return box ? text.left(box->maxLength()) : text;
}

bool DataSource::isDirty() const
{
    for (int f = 0; f < FieldCount; ++f) {
        const QLineEdit* box = m_boxes[size_t(f)];
        if (box && box->text() != m_shown[size_t(f)])
            return true;
    }
    return false;
}

bool DataSource::submit(StoreFailure* failure)
{
    StoreFailure* const before = std::exchange(m_capture, failure);
    const bool stored = leaving();
    m_capture = before;
    return stored;
}

bool DataSource::leaving()
{
    if (!isDirty())
        return true;
    const Entry* entry = m_recordset.current();
    if (!entry) {
        QString typed[FieldCount];
        for (int f = 0; f < FieldCount; ++f)
            if (m_boxes[size_t(f)])
                typed[f] = m_boxes[size_t(f)]->text();
        failed({StoreOperation::NoEntry, typed[int(Field::Nom)], typed[int(Field::Date)], 0});
        return false;
    }
    // A new entry takes every box; an existing one only what was typed.
    for (int f = 0; f < FieldCount; ++f) {
        const QLineEdit* box = m_boxes[size_t(f)];
        if (box && (m_recordset.isAdding() || box->text() != m_shown[size_t(f)]))
            m_recordset.setFieldValue(Field(f), box->text());
    }
    if (!m_recordset.update())
        return false;
    m_failureReported = false;
    // What the boxes hold is now stored.
    for (int f = 0; f < FieldCount; ++f)
        if (m_boxes[size_t(f)])
            m_shown[size_t(f)] = m_boxes[size_t(f)]->text();
    return true;
}

void DataSource::arrived()
{
    const Entry* entry = m_recordset.current();
    for (int f = 0; f < FieldCount; ++f) {
        QLineEdit* box = m_boxes[size_t(f)];
        if (!box)
            continue;
        box->setText(entry ? QString::fromStdString(entry->fiche[Field(f)]) : QString());
        m_shown[size_t(f)] = box->text(); // as the box holds it, after its length limit
    }
}

void DataSource::failed(const StoreFailure& failure)
{
    if (m_capture) {
        *m_capture = failure;
        return;
    }
    report(messageDuRefus(failure));
}

void DataSource::report(const QString& message)
{
    if (m_actionDepth > 0) {
        if (m_failureReported)
            return;
        m_failureReported = true;
        // Refused once in this action: the file is not waited for a second
        // time in it (the reads that follow a refused move give up at once).
        m_db.setBusyTimeout(0);
    }
    platform::msgBox(message);
}

} // namespace windows
