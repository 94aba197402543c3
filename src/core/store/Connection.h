#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <sqlite3.h>
#include <vector>

class Connection;
class FolderDatabase;
struct TableDefinition;

// A prepared statement, finalized when it goes out of scope.
class Statement
{
public:
    Statement(Connection& connection, const QString& sql);
    // On a connection of its own; failures name the file given.
    Statement(sqlite3* db, const QString& sql, const QString& file);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void reset();
    void bind(int position, const QVariant& value); // 1-based; a null QVariant binds NULL
    bool step();                                    // true while a row is available
    QVariant column(int i) const;
    qint64 columnInt64(int i) const { return sqlite3_column_int64(m_stmt, i); }
    QString columnText(int i) const;
    int columnType(int i) const { return sqlite3_column_type(m_stmt, i); }
    // The column's text as SQLite holds it, valid until the next step.
    QByteArrayView columnUtf8(int i) const
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
        return {text, text ? sqlite3_column_bytes(m_stmt, i) : 0};
    }
    int columnCount() const { return sqlite3_column_count(m_stmt); }
    // Whether it sits on a row (stepped, neither done nor reset).
    bool busy() const { return sqlite3_stmt_busy(m_stmt) != 0; }

private:
    [[noreturn]] void fail(int rc) const;
    sqlite3* m_db;
    QString m_file;
    sqlite3_stmt* m_stmt = nullptr;
};

// A cursor on a file that others write too: told of every change written
// through another cursor on the same connection.
class ConnectionWatcher
{
public:
    virtual void ConnectionChanged() = 0;

protected:
    ~ConnectionWatcher() = default;
};

// One open table file. Cursors on the same file share one connection, so that
// a change made through one of them is seen by the others at once. The files
// of one data folder share one SQLite connection (FolderDatabase), each
// under a schema name of its own, so that SQL names a table as
// qualified(name).
class Connection : public QObject
{
    Q_OBJECT
public:
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens an existing table file for reading and writing; never creates one.
    // Throws EDatabaseError naming the file when it is missing, unreadable,
    // locked or not a database. A read-only file opens for reading, and its
    // first write fails with the reason. With the table's definition, the
    // file is brought up to date first: an earlier format upgraded, sort keys
    // that another program left missing or stale made again.
    static std::shared_ptr<Connection> open(const QString& path,
                                            const TableDefinition* table = nullptr);

    sqlite3* handle() const;
    const QString& path() const { return m_path; }
    QString fileName() const;
    const QString& schema() const { return m_schema; }
    // A table of this file as SQL names it: "schema"."table".
    QString qualified(const QString& table) const;
    const std::shared_ptr<FolderDatabase>& folder() const { return m_folder; }

    // Runs SQL without results; throws on failure.
    void exec(const QString& sql);
    // Throws EDBEngineError for the engine's last failure.
    [[noreturn]] void fail(int rc) const;

    // Counts the changes written through any cursor of this connection;
    // cursors compare it to know when their cached order is stale.
    quint64 version() const { return m_version; }
    // Tells every watcher of the change, directly: what a watcher throws
    // reaches the cursor that wrote. While notices are held the change is
    // only counted; the one who holds them notes the change when done.
    void noteChanged();
    // The cursors on this file, told of every change noted.
    void watch(ConnectionWatcher* watcher);
    void unwatch(ConnectionWatcher* watcher);
    void holdNotices() { ++m_held; }
    void releaseNotices() { m_held = std::max(m_held - 1, 0); }

private:
    Connection(std::shared_ptr<FolderDatabase> folder, QString schema, QString path);
    std::shared_ptr<FolderDatabase> m_folder;
    QString m_schema;
    QString m_path;
    quint64 m_version = 0;
    std::vector<ConnectionWatcher*> m_watchers;
    int m_held = 0;
};
