#pragma once

#include "socle/sqlite.h"
#include "store/recordset.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>

namespace windows {

// The data source Data1: the database, the record-source text, the open
// record set, and the entry boxes bound to its current record.
//
// Binding: whenever the current record changes, each bound box shows its
// field at once; when the record is left by a move or a find, what was typed
// into a bound box is first stored into it. "Typed" means: the box no longer
// shows what the binding last put into it. A store or a read the database
// refuses is told in a French message, once per action of the user (see
// Action), and the typed text stays on screen.
class DataSource : public QObject, private store::RecordSet::Binding {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    // One action of the user: a command, a click, the closing of the window,
    // whatever the device it came from. Within it, a refusal is told once,
    // however many steps meet it, and nothing waits for the file again after
    // a refusal told. The outermost guard starts a new action; nested ones join it.
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
    socle::Database& database() { return m_db; }

    void setRecordSource(const store::RecordSource& source) { m_source = source; }
    const store::RecordSource& recordSource() const { return m_source; }

    // Opens the record set afresh from the record source; first row current.
    bool refresh();
    // Shows the current record's stored values again, dropping what was typed.
    void updateControls();
    store::RecordSet& recordset() { return m_recordset; }

    void bind(store::Field field, QLineEdit* box);
    // A stored value as its bound box shows it (cut to the box's length).
    QString asShown(store::Field field, const std::string& value) const;
    // True when a bound box holds text the binding did not put there.
    bool isDirty() const;
    // Stores what was typed into the current record (as leaving it would).
    // With a failure to fill, a refusal is handed back instead of told.
    bool submit(store::StoreFailure* failure = nullptr);

private:
    bool leaving() override;
    void arrived() override;
    void failed(const store::StoreFailure& failure) override;
    void report(const QString& message);

    QString m_databaseName;
    socle::Database m_db;
    store::RecordSource m_source;
    store::RecordSet m_recordset;
    std::array<QPointer<QLineEdit>, store::FieldCount> m_boxes;
    std::array<QString, store::FieldCount> m_shown;
    int m_busyTimeout = socle::BusyTimeout;
    int m_actionDepth = 0;
    bool m_failureReported = false; // within the current action
    store::StoreFailure* m_capture = nullptr;
};

// A refused store in French: what went wrong, then (message) what the user
// can do.
QString causeDuRefus(const store::StoreFailure& failure);
QString messageDuRefus(const store::StoreFailure& failure);

} // namespace windows
