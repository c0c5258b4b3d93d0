#pragma once

#include "platform/sqlite.h"
#include "store/recordset.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>

// The data source Data1: the database, the record-source text, the open
// record set, and the entry boxes bound to its current record.
//
// Binding: whenever the current record changes, each bound box shows its
// field at once; when the record is left by a move or a find, what was typed
// into a bound box is first stored into it. "Typed" means: the box no longer
// shows what the binding last put into it. A store the database refuses is
// told in a French message (once per attempt of the user) and the typed
// text stays on screen.
class DataSource : public QObject, private RecordSet::Binding {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    void setDatabaseName(const QString& path) { m_databaseName = path; }
    QString databaseName() const { return m_databaseName; }

    // Opens the database named, making it from the bundled calendar when the
    // file does not exist yet. On failure, *message tells the user why (the
    // file is left as it was).
    bool open(QString* message);
    void setBusyTimeout(int milliseconds);
    platform::SqliteDatabase& database() { return m_db; }

    void setRecordSource(const RecordSource& source) { m_source = source; }
    const RecordSource& recordSource() const { return m_source; }

    // Opens the record set afresh from the record source; first row current.
    bool refresh();
    // Shows the current record's stored values again, dropping what was typed.
    void updateControls();
    RecordSet& recordset() { return m_recordset; }

    void bind(Field field, QLineEdit* box);
    // True when a bound box holds text the binding did not put there.
    bool isDirty() const;
    // Stores what was typed into the current record (as leaving it would).
    bool submit();

private:
    bool leaving() override;
    void arrived() override;
    void failed(const StoreFailure& failure) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString m_databaseName;
    platform::SqliteDatabase m_db;
    RecordSource m_source;
    RecordSet m_recordset;
    std::array<QPointer<QLineEdit>, FieldCount> m_boxes;
    std::array<QString, FieldCount> m_shown;
    bool m_failureReported = false;
    bool m_reporting = false;
};
