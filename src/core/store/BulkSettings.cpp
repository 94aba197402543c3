#include "core/store/BulkSettings.h"

#include "core/store/FolderDatabase.h"
#include "core/store/Schema.h"

#include <sqlite3.h>

namespace {

// The cache's upper bound for the pages of each file, in KiB: far more than
// the largest book needs, taken only as pages are read or written.
constexpr qint64 BulkCacheKiB = 1024 * 1024;
constexpr qint64 TempStoreMemory = 2;

bool readPragma(sqlite3* db, const QByteArray& pragma, qint64& value)
{
    sqlite3_stmt* statement = nullptr;
    const bool read =
        sqlite3_prepare_v2(db, "PRAGMA " + pragma, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW;
    if (read)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return read;
}

bool writePragma(sqlite3* db, const QByteArray& pragma, qint64 value)
{
    const QByteArray sql = "PRAGMA " + pragma + " = " + QByteArray::number(value);
    return sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

BulkSettings::BulkSettings(std::shared_ptr<FolderDatabase> folder) : m_folder(std::move(folder))
{
    sqlite3* db = m_folder->handle();
    std::vector<std::pair<QByteArray, qint64>> wanted{{"temp_store", TempStoreMemory}};
    for (const QString& schema : m_folder->schemas())
        wanted.emplace_back(Schema::quoted(schema).toUtf8() + ".cache_size", -BulkCacheKiB);
    // Each setting is a speed-up only: one SQLite refuses (the temporary
    // store within an open transaction) is left as it was.
    for (const auto& [pragma, value] : wanted) {
        qint64 before = 0;
        if (readPragma(db, pragma, before) && before != value && writePragma(db, pragma, value))
            m_restore.emplace_back(pragma, before);
    }
}

BulkSettings::~BulkSettings()
{
    for (const auto& [pragma, value] : m_restore)
        writePragma(m_folder->handle(), pragma, value);
}
