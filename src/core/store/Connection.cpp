#include "core/store/Connection.h"

#include "core/store/DatabaseError.h"
#include "core/util/TellEach.h"

#include <QCollator>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

namespace {

const QCollator& danishCollator(bool ignoreCase)
{
    static const QCollator caseSensitive = [] {
        QCollator c(QLocale(QLocale::Danish, QLocale::Denmark));
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    static const QCollator caseInsensitive = [] {
        QCollator c(QLocale(QLocale::Danish, QLocale::Denmark));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return ignoreCase ? caseInsensitive : caseSensitive;
}

int collate(void* ignoreCase, int lenA, const void* a, int lenB, const void* b)
{
    const QString sa = QString::fromUtf8(static_cast<const char*>(a), lenA);
    const QString sb = QString::fromUtf8(static_cast<const char*>(b), lenB);
    const int r = danishCollator(ignoreCase != nullptr).compare(sa, sb);
    // Texts the collator calls equal still get a stable order of their own.
    if (r != 0 || ignoreCase)
        return r;
    return sa.compare(sb);
}

// SQL helpers used by filter and locate: texts compared without regard to
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

QHash<QString, std::weak_ptr<Connection>>& openConnections()
{
    static QHash<QString, std::weak_ptr<Connection>> map;
    return map;
}

} // namespace

namespace SqliteSupport {

void registerCollations(sqlite3* db)
{
    static int ignoreCase = 1;
    sqlite3_create_collation(db, "DANISH", SQLITE_UTF8, nullptr, collate);
    sqlite3_create_collation(db, "DANISH_NOCASE", SQLITE_UTF8, &ignoreCase, collate);
    sqlite3_create_function(db, "kv_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fold,
                            nullptr, nullptr);
}

int compareDanish(const QString& a, const QString& b, bool ignoreCase)
{
    return danishCollator(ignoreCase).compare(a, b);
}

} // namespace SqliteSupport

// --- Statement --------------------------------------------------------------

Statement::Statement(Connection& connection, const QString& sql) : m_connection(connection)
{
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(connection.handle(), utf8.constData(), int(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        connection.fail(rc);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void Statement::bind(int position, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, position);
    } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
        rc = sqlite3_bind_int64(m_stmt, position, value.toLongLong());
    } else {
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text(m_stmt, position, utf8.constData(), int(utf8.size()),
                               SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        m_connection.fail(rc);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_connection.fail(rc);
}

QVariant Statement::column(int i) const
{
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
    default:
        return columnText(i);
    }
}

QString Statement::columnText(int i) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, i)) : QString();
}

// --- Connection -------------------------------------------------------------

Connection::Connection(sqlite3* db, QString path) : m_db(db), m_path(std::move(path)) {}

Connection::~Connection()
{
    openConnections().remove(m_path);
    sqlite3_close_v2(m_db);
}

QString Connection::fileName() const
{
    return QFileInfo(m_path).fileName();
}

std::shared_ptr<Connection> Connection::open(const QString& path)
{
    // One connection per file, however the path was written ("./Data", a
    // link, another letter case found by the data folder).
    const QFileInfo given(path);
    const QString canonical = given.exists() ? given.canonicalFilePath() : given.absoluteFilePath();
    if (auto existing = openConnections().value(canonical).lock())
        return existing;

    const QString shown = QFileInfo(path).fileName();
    const QFileInfo info(canonical);
    if (!info.exists())
        throw EDatabaseError(
            QStringLiteral("Table file %1 not found in %2").arg(shown, info.absolutePath()));
    if (!info.isFile())
        throw EDatabaseError(QStringLiteral("Table file %1 is not a file").arg(canonical));
    // A file without any write permission is read-only by intent, also for a
    // user (root) whom the permission bits would not stop.
    const auto writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (!info.isReadable() || !info.isWritable() || !(info.permissions() & writeBits))
        throw EDatabaseError(
            QStringLiteral("Table file %1 cannot be written (read-only or no access)")
                .arg(canonical));

    sqlite3* db = nullptr;
    const QByteArray utf8 = canonical.toUtf8();
    int rc = sqlite3_open_v2(utf8.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw EDatabaseError(
            QStringLiteral("Table file %1 cannot be opened: %2").arg(canonical, why));
    }
    std::shared_ptr<Connection> conn(new Connection(db, canonical));
    sqlite3_extended_result_codes(db, 1);
    // A misspelt column must be an error, not a text literal: "Telefon" in
    // double quotes names a column and nothing else.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(db, 1500);
    SqliteSupport::registerCollations(db);

    // Reading the schema is the first real access: it finds a corrupt or
    // locked file and a read-only one that the permission bits did not reveal.
    rc = sqlite3_exec(db, "PRAGMA synchronous=FULL; SELECT count(*) FROM sqlite_master;", nullptr,
                      nullptr, nullptr);
    if (rc != SQLITE_OK) {
        QString why;
        switch (rc & 0xff) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            why = QStringLiteral("it is not a valid table file or it is damaged");
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            why = QStringLiteral("it is locked by another program");
            break;
        default:
            why = QString::fromUtf8(sqlite3_errmsg(db));
        }
        throw EDatabaseError(
            QStringLiteral("Table file %1 cannot be opened: %2").arg(canonical, why));
    }
    if (sqlite3_db_readonly(db, "main") == 1)
        throw EDatabaseError(
            QStringLiteral("Table file %1 cannot be written (read-only)").arg(canonical));

    openConnections().insert(canonical, conn);
    return conn;
}

void Connection::exec(const QString& sql)
{
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

void Connection::fail(int rc) const
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    const int primary = rc & 0xff;
    if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
        throw EDBEngineError(QStringLiteral("Key violation in %1").arg(fileName()),
                             {EDBEngineError::KeyViolation});
    if (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR ||
        primary == SQLITE_FULL || primary == SQLITE_PERM)
        throw EDBEngineError(QStringLiteral("Cannot write to %1: %2").arg(m_path, message), {rc});
    throw EDBEngineError(QStringLiteral("%1 (%2)").arg(message, fileName()), {rc});
}

void Connection::noteChanged()
{
    ++m_version;
    if (m_held == 0)
        Listeners::tellEach(m_watchers, [](ConnectionWatcher& w) { w.ConnectionChanged(); });
}

void Connection::watch(ConnectionWatcher* watcher)
{
    if (std::find(m_watchers.begin(), m_watchers.end(), watcher) == m_watchers.end())
        m_watchers.push_back(watcher);
}

void Connection::unwatch(ConnectionWatcher* watcher)
{
    std::erase(m_watchers, watcher);
}
