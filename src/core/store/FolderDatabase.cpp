#include "core/store/FolderDatabase.h"

#include "core/store/Connection.h"
#include "core/store/DatabaseError.h"
#include "core/store/Schema.h"
#include "core/store/SortKeys.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QUrl>
#include <QtEndian>

#include <algorithm>
#include <utility>

namespace {

using Schema::quoted;

// SQL helper used by filter and locate: texts compared without regard to
// case for every alphabet the program meets, not just ASCII.
void fold(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (!text) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray folded = QString::fromUtf8(text).toCaseFolded().toUtf8();
    sqlite3_result_text(ctx, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

QHash<QString, std::weak_ptr<FolderDatabase>>& openFolders()
{
    static QHash<QString, std::weak_ptr<FolderDatabase>> map;
    return map;
}

// A file without any write permission is read-only by intent, also for a
// user (root) whom the permission bits would not stop: SQLite is told so.
bool readOnlyByIntent(const QString& path)
{
    const QFileInfo info(path);
    const auto writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & writeBits);
}

// What SQLite is given to open a file: its path, or for a read-only one a
// URI that says so (a canonical path never reads as a URI, it starts with /).
QByteArray openName(const QString& path)
{
    if (!readOnlyByIntent(path))
        return path.toUtf8();
    return "file:" + QUrl::toPercentEncoding(path, "/") + "?mode=ro";
}

[[noreturn]] void cannotOpen(const QString& path, const QString& why)
{
    throw EDatabaseError(QStringLiteral("Table file %1 cannot be opened: %2").arg(path, why));
}

bool inWriteAheadLog(sqlite3* db, const QByteArray& schema)
{
    sqlite3_stmt* mode = nullptr;
    const bool wal =
        sqlite3_prepare_v2(db, "PRAGMA " + schema + ".journal_mode", -1, &mode, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(mode) == SQLITE_ROW &&
        qstricmp(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal") == 0;
    sqlite3_finalize(mode);
    return wal;
}

// Files up to this size get SQLite's whole quick check at open (about 6 ms
// a megabyte, and a household's tables are smaller); larger ones the check
// of their length alone, and damage inside them is told by SQLite where it
// is read.
constexpr qint64 kFullCheckBytes = 1024 * 1024;

// A file of another length than its header gives (when that count is valid)
// was cut off, or added to by something other than SQLite.
QString lengthMismatch(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return QString();
    const auto at = [&](int offset) {
        return qFromBigEndian<quint32>(header.constData() + offset);
    };
    const quint32 pageSize = qFromBigEndian<quint16>(header.constData() + 16);
    const qint64 pages = at(28);
    const qint64 expected = pages * (pageSize == 1 ? 65536 : pageSize);
    if (pages == 0 || at(92) != at(24) || expected == file.size())
        return QString();
    return QStringLiteral("it holds %1 bytes where its header gives %2")
        .arg(file.size())
        .arg(expected);
}

// The first thing wrong with a file: its length, or what SQLite's quick
// check finds; empty when nothing is, or when the check cannot run (a file
// in the earlier format, whose upgrade reads it on its own). It runs before
// opening writes anything (sort keys, a journal mode): nothing is written
// into a damaged file, and the damage is told at open, not at some later
// step through the records.
QString firstDamage(sqlite3* db, const QByteArray& schema, const QString& path)
{
    if (QString mismatch = lengthMismatch(path); !mismatch.isEmpty())
        return mismatch;
    if (QFileInfo(path).size() > kFullCheckBytes)
        return QString();
    sqlite3_stmt* check = nullptr;
    QString damage;
    if (sqlite3_prepare_v2(db, "PRAGMA " + schema + ".quick_check(1)", -1, &check, nullptr) ==
        SQLITE_OK) {
        const int rc = sqlite3_step(check);
        if (rc == SQLITE_ROW) {
            const QString verdict =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
            if (verdict != u"ok")
                damage = verdict;
        } else if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB) {
            damage = QString::fromUtf8(sqlite3_errmsg(db));
        }
    }
    sqlite3_finalize(check);
    return damage;
}

} // namespace

namespace SqliteSupport {

void registerFunctions(sqlite3* db)
{
    sqlite3_create_function(db, "kv_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fold,
                            nullptr, nullptr);
    SortKeys::registerFunctions(db);
}

void configure(sqlite3* db)
{
    sqlite3_extended_result_codes(db, 1);
    // A misspelt column must be an error, not a text literal: "Telefon" in
    // double quotes names a column and nothing else.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(db, 1500);
    registerFunctions(db);
}

void fail(sqlite3* db, int rc, const QString& path)
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    const QString fileName = QFileInfo(path).fileName();
    const int primary = rc & 0xff;
    // After a failed write SQLite undoes it at the next reading, once no
    // statement reads any more; until then every reading repeats the error.
    // Open scans of the cursors are let go (they notice and read again).
    if ((primary == SQLITE_IOERR || primary == SQLITE_FULL) && sqlite3_get_autocommit(db))
        for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
            if (sqlite3_stmt_busy(s))
                sqlite3_reset(s);
    if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
        throw EDBEngineError(QStringLiteral("Key violation in %1").arg(fileName),
                             {EDBEngineError::KeyViolation});
    if (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR ||
        primary == SQLITE_FULL || primary == SQLITE_PERM)
        throw EDBEngineError(QStringLiteral("Cannot write to %1: %2").arg(path, message), {rc});
    throw EDBEngineError(QStringLiteral("%1 (%2)").arg(message, fileName), {rc});
}

QString openFailure(sqlite3* db, int rc)
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("it is not a valid table file or it is damaged");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("it is locked by another program");
    default:
        return QString::fromUtf8(sqlite3_errmsg(db));
    }
}

} // namespace SqliteSupport

FolderDatabase::FolderDatabase(sqlite3* db, QString folder, QString mainPath, bool registered)
    : m_db(db), m_folder(std::move(folder)), m_registered(registered)
{
    m_attached.push_back({QStringLiteral("main"), std::move(mainPath), false});
}

FolderDatabase::~FolderDatabase()
{
    if (m_registered)
        openFolders().remove(m_folder);
    sqlite3_close_v2(m_db);
}

std::shared_ptr<FolderDatabase> FolderDatabase::find(const QString& folder)
{
    return openFolders().value(folder).lock();
}

std::shared_ptr<FolderDatabase> FolderDatabase::open(const QString& firstFile, bool registered,
                                                     const FirstLook& look)
{
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(openName(firstFile).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        cannotOpen(firstFile, why);
    }
    const QString folder = QFileInfo(firstFile).absolutePath();
    std::shared_ptr<FolderDatabase> database(new FolderDatabase(db, folder, firstFile, registered));
    SqliteSupport::configure(db);
    database->firstRead(QStringLiteral("main"), firstFile, look);
    if (registered)
        openFolders().insert(folder, database);
    return database;
}

// The most memory, in KiB, a file's cached pages may take.
constexpr qint64 ReadCacheKiB = 16 * 1024;

// Reading the schema is the first real access: it finds a corrupt or locked
// file. The caller's first look shares that reading: the file is locked and
// read once.
void FolderDatabase::firstRead(const QString& schema, const QString& path, const FirstLook& look)
{
    const QByteArray s = quoted(schema).toUtf8();
    // Every post is on disk when it returns.
    sqlite3_exec(m_db, "PRAGMA " + s + ".synchronous=FULL", nullptr, nullptr, nullptr);
    // Pages stay in the program's cache up to this size: a search that reads
    // every name again, a grid scrolled back, read from memory and not again
    // from the system (a call for each page). A household's files are far
    // smaller and use only what they hold.
    sqlite3_exec(m_db, "PRAGMA " + s + ".cache_size=" + QByteArray::number(-ReadCacheKiB), nullptr,
                 nullptr, nullptr);
    exec(QStringLiteral("SAVEPOINT kv_open"), path);
    auto end = qScopeGuard([&] {
        sqlite3_exec(m_db, "ROLLBACK TO kv_open; RELEASE kv_open", nullptr, nullptr, nullptr);
    });
    const int rc = sqlite3_exec(m_db, "SELECT count(*) FROM " + s + ".sqlite_master", nullptr,
                                nullptr, nullptr);
    if (rc != SQLITE_OK)
        cannotOpen(path, SqliteSupport::openFailure(m_db, rc));
    const bool wal = inWriteAheadLog(m_db, s);
    // (A file in write-ahead logging keeps pages beside it, in its log.)
    if (const QString damage = wal ? QString() : firstDamage(m_db, s, path); !damage.isEmpty())
        cannotOpen(path, QStringLiteral("it is damaged (%1)").arg(damage));
    if (look)
        look(m_db, schema);
    end.dismiss();
    exec(QStringLiteral("RELEASE kv_open"), path);
    // The rollback journal is what makes a commit to several files atomic;
    // a file another program switched to write-ahead logging is switched back.
    if (wal)
        sqlite3_exec(m_db, "PRAGMA " + s + ".journal_mode=DELETE", nullptr, nullptr, nullptr);
}

QString FolderDatabase::attach(const QString& path, const FirstLook& look)
{
    for (auto& a : m_attached)
        if (a.path == path) {
            const QString schema = a.schema;
            // Still attached but given up (its last table closed, or its
            // first read failed): read and checked again as a new file is.
            if (std::exchange(a.released, false)) {
                try {
                    firstRead(schema, path, look);
                } catch (...) {
                    release(schema);
                    throw;
                }
            } else if (look) {
                look(m_db, schema);
            }
            return schema;
        }
    // Named after the file where it can be, which makes the SQL easy to read.
    QString base = QFileInfo(path).completeBaseName();
    base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
    QString schema = base;
    for (int n = 2; std::any_of(m_attached.begin(), m_attached.end(),
                                [&](const Attached& a) {
                                    return a.schema.compare(schema, Qt::CaseInsensitive) == 0;
                                }) ||
                    schema.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0;
         ++n)
        schema = base + u'_' + QString::number(n);

    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(quoted(schema)).toUtf8();
    int rc = sqlite3_prepare_v2(m_db, sql.constData(), -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray file = openName(path);
        sqlite3_bind_text(statement, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(statement);
        rc = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_finalize(statement);
        statement = rc == SQLITE_OK ? statement : nullptr;
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_OK)
        cannotOpen(path, SqliteSupport::openFailure(m_db, rc));
    m_attached.push_back({schema, path, false});
    try {
        firstRead(schema, path, look);
    } catch (...) {
        release(schema);
        throw;
    }
    return schema;
}

void FolderDatabase::release(const QString& schema)
{
    for (auto& a : m_attached)
        if (a.schema == schema)
            a.released = true;
    detachReleased();
}

void FolderDatabase::detachReleased()
{
    if (inTransaction())
        return;
    // The main file cannot be detached; it stays until the folder closes.
    for (auto it = m_attached.begin() + 1; it != m_attached.end();) {
        const QString sql = QStringLiteral("DETACH DATABASE %1").arg(quoted(it->schema));
        if (it->released &&
            sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
            it = m_attached.erase(it);
        else
            ++it;
    }
}

QString FolderDatabase::pathOf(const QString& schema) const
{
    for (const auto& a : m_attached)
        if (a.schema == schema)
            return a.path;
    return m_folder;
}

QStringList FolderDatabase::schemas() const
{
    QStringList names;
    for (const auto& a : m_attached)
        if (!a.released)
            names << a.schema;
    return names;
}

void FolderDatabase::exec(const QString& sql, const QString& file)
{
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        SqliteSupport::fail(m_db, rc, file.isEmpty() ? m_folder : file);
}

void FolderDatabase::removeConnection(Connection* c)
{
    m_connections.erase(std::remove(m_connections.begin(), m_connections.end(), c),
                        m_connections.end());
}

QString FolderDatabase::savepoint(int level) const
{
    return QStringLiteral("kv_transaction_%1").arg(level);
}

int FolderDatabase::begin()
{
    exec(QStringLiteral("SAVEPOINT ") + savepoint(m_depth + 1), QString());
    return ++m_depth;
}

void FolderDatabase::commit(int level)
{
    if (level <= m_depth && level != m_depth)
        throw EDatabaseError(QStringLiteral("A transaction within this one is still open"));
    if (level > m_depth || !inTransaction()) {
        // SQLite rolled it back by itself after a failure (a full disk, for
        // one): nothing of it is on disk, and it must not pass for saved.
        rollback(1);
        throw EDatabaseError(
            QStringLiteral("The changes could not be saved and were undone (%1)").arg(m_folder));
    }
    exec(QStringLiteral("RELEASE ") + savepoint(level), QString());
    if (--m_depth == 0)
        detachReleased();
}

void FolderDatabase::rollback(int level)
{
    if (level > m_depth)
        return;
    if (inTransaction()) {
        const QString sql = QStringLiteral("ROLLBACK TO %1; RELEASE %1").arg(savepoint(level));
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK &&
            level == 1)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    m_depth = inTransaction() ? level - 1 : 0;
    if (m_depth == 0)
        detachReleased();
    // What the cursors read may be gone: each reads again. A rollback runs
    // while an error is already on its way, often from a destructor, so a
    // cursor that cannot read again must not throw a second one from here.
    for (Connection* c : std::vector<Connection*>(m_connections)) {
        try {
            c->noteChanged();
        } catch (...) {
        }
    }
}
