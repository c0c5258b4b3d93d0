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
// shows what the binding last put into it. A store or a read the database
// refuses is told in a French message, once per action of the user (see
// Action), and the typed text stays on screen.
class DataSource : public QObject, private RecordSet::Binding {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    // One action of the user: a command, a click, the closing of the window,
    // whatever the device it came from. Within it, a refusal is told once,
    // however many steps meet it, and a read is not waited for again after a
    // refusal. The outermost guard starts a new action; nested ones join it.
    // Outside any action every refusal is told.
    class Action {
    public:
        explicit Action(DataSource& source);
        ~Action();
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

    private:
        DataSource& m_source;
    };

    void setDatabaseName(const QString& path) { m_databaseName = path; }
    QString databaseName() const { return m_databaseName; }

    // Opens the database named, making it from the bundled calendar when the
    // file does not exist yet. On failure, *message tells the user why (the
    // file is left as it was).
    bool open(QString* message);
    void setBusyTimeout(int milliseconds); // the wait for a file another program holds
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
    // With a failure to fill, a refusal is handed back instead of told.
    bool submit(StoreFailure* failure = nullptr);

private:
    bool leaving() override;
    void arrived() override;
    void failed(const StoreFailure& failure) override;
    void report(const QString& message);

    QString m_databaseName;
    platform::SqliteDatabase m_db;
    RecordSource m_source;
    RecordSet m_recordset;
    std::array<QPointer<QLineEdit>, FieldCount> m_boxes;
    std::array<QString, FieldCount> m_shown;
    int m_busyTimeout = platform::SqliteBusyTimeout;
    int m_actionDepth = 0;
    bool m_failureReported = false; // within the current action
    StoreFailure* m_capture = nullptr;
};
