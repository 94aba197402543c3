#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <sqlite3.h>
#include <vector>

class Connection;

// The one SQLite connection of a data folder. The first table file opened in
// the folder is its main database and every other one is attached to it, so
// that writes to several table files can be one transaction: with rollback
// journals and a main database that is a real file, SQLite commits such a
// transaction to all the files or to none, even across a crash.
class FolderDatabase
{
public:
    // The open database of a folder (its canonical path), or null.
    static std::shared_ptr<FolderDatabase> find(const QString& folder);
    // What a caller reads of a file when it is first opened, within the
    // same reading as the checks of the file.
    using FirstLook = std::function<void(sqlite3* db, const QString& schema)>;

    // Opens the folder's database with a table file as its main database.
    // Throws EDatabaseError naming the file when it cannot be opened. A
    // private database (registered = false) is used for one job and closed.
    static std::shared_ptr<FolderDatabase> open(const QString& firstFile, bool registered = true,
                                                const FirstLook& look = {});
    ~FolderDatabase();
    FolderDatabase(const FolderDatabase&) = delete;
    FolderDatabase& operator=(const FolderDatabase&) = delete;

    sqlite3* handle() const { return m_db; }
    const QString& folder() const { return m_folder; }

    // Attaches a table file (canonical path) and returns the schema it is
    // reached under; the main file is "main". Throws EDatabaseError naming
    // the file when it is not a database, damaged or locked. A file without
    // write permission is attached for reading only.
    QString attach(const QString& path, const FirstLook& look = {});
    // The file is no longer used: detached now, or when the transaction that
    // uses it ends (SQLite refuses to detach a file within one).
    void release(const QString& schema);
    QString pathOf(const QString& schema) const;
    // The schemas of the files in use, the main file's first.
    QStringList schemas() const;

    // Runs SQL without results; throws EDBEngineError naming the file.
    void exec(const QString& sql, const QString& file);

    // Transactions nest: the outermost begins and commits, the inner ones
    // are savepoints within it. begin gives the new one's level; commit
    // takes the innermost, and the outermost is on disk when it returns.
    // Rolling back a level also ends those within it; afterwards every
    // cursor of the folder reads again.
    int begin();
    void commit(int level);
    void rollback(int level);
    int depth() const { return m_depth; }
    // Whether SQLite still holds the transaction (it rolls back by itself
    // after some failures, such as a full disk).
    bool inTransaction() const { return !sqlite3_get_autocommit(m_db); }

    void addConnection(Connection* c) { m_connections.push_back(c); }
    void removeConnection(Connection* c);

private:
    FolderDatabase(sqlite3* db, QString folder, QString mainPath, bool registered);
    void firstRead(const QString& schema, const QString& path, const FirstLook& look);
    void detachReleased();
    QString savepoint(int level) const;

    struct Attached
    {
        QString schema;
        QString path;
        bool released = false;
    };
    sqlite3* m_db;
    QString m_folder;
    bool m_registered;
    std::vector<Attached> m_attached; // the main file first
    std::vector<Connection*> m_connections;
    int m_depth = 0;
};

namespace SqliteSupport {
// Adds the SQL functions the program's statements use to a connection.
void registerFunctions(sqlite3* db);
// Sets up a connection as the program uses it: extended error codes, double
// quotes for names only, a short wait on locks, the program's functions.
void configure(sqlite3* db);
// Throws EDBEngineError for a failure of the engine on a table file.
[[noreturn]] void fail(sqlite3* db, int rc, const QString& path);
// Why a table file cannot be opened, from the result of its first reading.
QString openFailure(sqlite3* db, int rc);
} // namespace SqliteSupport
