#include "store/datasource.h"

#include "platform/messagebox.h"
#include "store/calendrier.h"

#include <QCoreApplication>
#include <QEvent>

DataSource::DataSource(QObject* parent)
    : QObject(parent), m_source(sourceTable()), m_recordset(m_db)
{
    m_recordset.setBinding(this);
    // A refused store is told once per action of the user: the next key or
    // click may tell it again.
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

DataSource::~DataSource()
{
    m_recordset.setBinding(nullptr);
}

bool DataSource::open(QString* message)
{
    return openCalendar(m_db, m_databaseName, message);
}

void DataSource::setBusyTimeout(int milliseconds)
{
    m_db.setBusyTimeout(milliseconds);
}

bool DataSource::refresh()
{
    // What was typed into the shown entry is stored before the set is read
    // again, as a move would.
    if (!leaving())
        return false;
    QString error;
    if (!m_recordset.load(m_source, &error)) {
        platform::msgBox(
            QStringLiteral("La base de données %1 ne peut pas être lue :").arg(m_databaseName) +
            platform::LineBreak + error + '.');
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
    connect(box, &QLineEdit::textEdited, this, [this] { m_failureReported = false; });
    arrived();
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

bool DataSource::submit()
{
    return leaving();
}

bool DataSource::leaving()
{
    if (!isDirty())
        return true;
    const Entry* entry = m_recordset.current();
    if (!entry) {
        Entry typed;
        for (int f = 0; f < FieldCount; ++f)
            if (m_boxes[size_t(f)])
                typed.fields[size_t(f)] = m_boxes[size_t(f)]->text();
        failed({StoreOperation::NoEntry, typed[Field::Nom], typed[Field::Date], {}});
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
        box->setText(entry ? entry->fields[size_t(f)] : QString());
        m_shown[size_t(f)] = box->text(); // as the box holds it, after its length limit
    }
}

void DataSource::failed(const StoreFailure& failure)
{
    if (m_failureReported)
        return;
    m_failureReported = true;
    m_reporting = true;
    platform::msgBox(failure.message());
    m_reporting = false;
}

bool DataSource::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_reporting &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        m_failureReported = false;
    return QObject::eventFilter(watched, event);
}
