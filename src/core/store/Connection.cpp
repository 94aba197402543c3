#include "core/store/Connection.h"

#include "core/store/DatabaseError.h"
#include "core/store/FolderDatabase.h"
#include "core/store/FormatUpgrade.h"
#include "core/store/Schema.h"
#include "core/store/SortKeys.h"
#include "core/util/TellEach.h"

#include <QFileInfo>
#include <QHash>

namespace {

QHash<QString, std::weak_ptr<Connection>>& openConnections()
{
    static QHash<QString, std::weak_ptr<Connection>> map;
    return map;
}

// What can be told of a table file before SQLite reads it.
void checkFile(const QString& given, const QString& canonical)
{
    const QString shown = QFileInfo(given).fileName();
    const QFileInfo info(canonical);
    if (!info.exists())
        throw EDatabaseError(
            QStringLiteral("Table file %1 not found in %2").arg(shown, info.absolutePath()));
    if (!info.isFile())
        throw EDatabaseError(QStringLiteral("Table file %1 is not a file").arg(canonical));
    // A read-only file opens for reading: the user sees the contacts, and the
    // first change is refused with the reason.
    if (!info.isReadable())
        throw EDatabaseError(
            QStringLiteral("Table file %1 cannot be read (no access)").arg(canonical));
}

} // namespace

// --- Statement --------------------------------------------------------------

Statement::Statement(Connection& connection, const QString& sql)
    : Statement(connection.handle(), sql, connection.path())
{
}

Statement::Statement(sqlite3* db, const QString& sql, const QString& file) : m_db(db), m_file(file)
{
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, utf8.constData(), int(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::fail(int rc) const
{
    SqliteSupport::fail(m_db, rc, m_file);
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
    } else if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        rc = sqlite3_bind_blob(m_stmt, position, bytes.constData(), int(bytes.size()),
                               SQLITE_TRANSIENT);
    } else {
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text(m_stmt, position, utf8.constData(), int(utf8.size()),
                               SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        fail(rc);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    fail(rc);
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

Connection::Connection(std::shared_ptr<FolderDatabase> folder, QString schema, QString path)
    : m_folder(std::move(folder)), m_schema(std::move(schema)), m_path(std::move(path))
{
    m_folder->addConnection(this);
}

Connection::~Connection()
{
    openConnections().remove(m_path);
    m_folder->removeConnection(this);
    m_folder->release(m_schema);
}

sqlite3* Connection::handle() const
{
    return m_folder->handle();
}

QString Connection::fileName() const
{
    return QFileInfo(m_path).fileName();
}

QString Connection::qualified(const QString& table) const
{
    return Schema::quoted(m_schema) + u'.' + Schema::quoted(table);
}

std::shared_ptr<Connection> Connection::open(const QString& path, const TableDefinition* table)
{
    // One connection per file, however the path was written ("./Data", a
    // link, another letter case found by the data folder).
    const QFileInfo given(path);
    const QString canonical = given.exists() ? given.canonicalFilePath() : given.absoluteFilePath();
    if (auto existing = openConnections().value(canonical).lock())
        return existing;
    checkFile(path, canonical);
    if (!table)
        table = Schema::forFile(QFileInfo(canonical).fileName());

    const QString folderPath = QFileInfo(canonical).absolutePath();
    auto folder = FolderDatabase::find(folderPath);
    if (!folder)
        FormatUpgrade::upgradeFolder(folderPath);
    for (bool upgraded = false;; upgraded = true) {
        auto state = SortKeys::State::Current;
        const auto look = [&](sqlite3* db, const QString& schema) {
            if (table)
                state = SortKeys::bringUpToDate(db, schema, *table, canonical).state;
        };
        const QString schema = folder ? folder->attach(canonical, look) : QStringLiteral("main");
        if (!folder)
            folder = FolderDatabase::open(canonical, true, look);
        std::shared_ptr<Connection> connection(new Connection(folder, schema, canonical));
        if (state == SortKeys::State::EarlierFormat) {
            if (upgraded)
                throw EDatabaseError(
                    QStringLiteral("Table file %1 cannot be brought up to date").arg(canonical));
            // Left in the earlier format by the folder's upgrade (it could
            // not be read then): upgraded on its own, with its own message.
            connection.reset();
            if (schema == u"main") {
                if (folder.use_count() > 1)
                    throw EDatabaseError(
                        QStringLiteral("Table file %1 was replaced by one in an earlier format; "
                                       "start the program again to bring it up to date")
                            .arg(canonical));
                folder.reset();
            }
            FormatUpgrade::upgradeFiles({{canonical, table}});
            continue;
        }
        openConnections().insert(canonical, connection);
        return connection;
    }
}

void Connection::exec(const QString& sql)
{
    m_folder->exec(sql, m_path);
}

void Connection::fail(int rc) const
{
    SqliteSupport::fail(handle(), rc, m_path);
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
