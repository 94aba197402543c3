#include "core/store/SortKeys.h"

#include "core/store/Connection.h"
#include "core/store/DanishOrder.h"
#include "core/store/DatabaseError.h"
#include "core/store/FolderDatabase.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>

namespace {

using Schema::quoted;

const QString VersionTable = QStringLiteral("SortKeys");

void sortKeyFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* text = static_cast<const char16_t*>(sqlite3_value_text16(argv[0]));
    const int length = sqlite3_value_bytes16(argv[0]) / 2;
    const bool ignoreCase = sqlite3_user_data(ctx) != nullptr;
    // No exception may cross into SQLite's C code.
    try {
        const QByteArray key = DanishOrder::sortKey(QStringView(text, length), ignoreCase);
        sqlite3_result_blob(ctx, key.constData(), int(key.size()), SQLITE_TRANSIENT);
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

const DanishOrder::Version& currentVersion()
{
    static const DanishOrder::Version version = DanishOrder::version();
    return version;
}

void exec(sqlite3* db, const QString& sql, const QString& file)
{
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        SqliteSupport::fail(db, rc, file);
}

QSet<QString> texts(sqlite3* db, const QString& sql, const QVariantList& params,
                    const QString& file)
{
    Statement query(db, sql, file);
    for (int i = 0; i < params.size(); ++i)
        query.bind(i + 1, params[i]);
    QSet<QString> result;
    while (query.step())
        result << query.columnText(0);
    return result;
}

// Indexes ordered by the collations the program once registered itself.
bool needsOwnCollation(const QString& sql)
{
    static const QRegularExpression collate(QStringLiteral("COLLATE\\s+\"?DANISH"),
                                            QRegularExpression::CaseInsensitiveOption);
    return collate.match(sql).hasMatch();
}

struct Indexes
{
    QSet<QString> names;
    QSet<QString> ownCollation; // names of those that need the old collations
};

Indexes indexesOf(sqlite3* db, const QString& schema, const TableDefinition& table,
                  const QString& file)
{
    Statement query(db,
                    QStringLiteral("SELECT name, ifnull(sql, '') FROM %1.sqlite_master "
                                   "WHERE type = 'index' AND tbl_name = ?1")
                        .arg(quoted(schema)),
                    file);
    query.bind(1, table.name);
    Indexes result;
    while (query.step()) {
        result.names << query.columnText(0);
        if (needsOwnCollation(query.columnText(1)))
            result.ownCollation << query.columnText(0);
    }
    return result;
}

bool versionIsCurrent(sqlite3* db, const QString& schema, const QString& file)
{
    const QString master = QStringLiteral("SELECT name FROM %1.sqlite_master "
                                          "WHERE type = 'table' AND name = ?1")
                               .arg(quoted(schema));
    if (texts(db, master, {VersionTable}, file).isEmpty())
        return false;
    Statement query(db,
                    QStringLiteral("SELECT Locale, IcuVersion, CollatorVersion FROM %1.%2")
                        .arg(quoted(schema), quoted(VersionTable)),
                    file);
    if (!query.step())
        return false;
    const DanishOrder::Version stored{query.columnText(0), query.columnText(1),
                                      query.columnText(2)};
    return stored == currentVersion() && !query.step();
}

// "Navn_Sort" = kv_sortkey("Navn"), "Navn_SortSource" = "Navn", ...
QString keyAssignments(const TableDefinition& table)
{
    QStringList sets;
    for (const auto& f : table.sortedFields())
        sets << QStringLiteral("%1 = %2").arg(quoted(Schema::sortKeyColumn(f.field)),
                                              SortKeys::keyOf(f.collation, quoted(f.field)))
             << QStringLiteral("%1 = %2").arg(quoted(Schema::sortSourceColumn(f.field)),
                                              quoted(f.field));
    return sets.join(QStringLiteral(", "));
}

} // namespace

namespace SortKeys {

void registerFunctions(sqlite3* db)
{
    static int ignoreCase = 1;
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "kv_sortkey", 1, flags, nullptr, sortKeyFunction, nullptr, nullptr);
    sqlite3_create_function(db, "kv_sortkey_nocase", 1, flags, &ignoreCase, sortKeyFunction,
                            nullptr, nullptr);
}

QString keyOf(Collation collation, const QString& value)
{
    return (collation == Collation::DanishNoCase ? QStringLiteral("kv_sortkey_nocase(%1)")
                                                 : QStringLiteral("kv_sortkey(%1)"))
        .arg(value);
}

State inspect(sqlite3* db, const QString& schema, const TableDefinition& table, const QString& file)
{
    const auto sorted = table.sortedFields();
    if (sorted.empty())
        return State::Current;
    const QSet<QString> columns =
        texts(db, QStringLiteral("SELECT name FROM pragma_table_info(?1, ?2)"),
              {table.name, schema}, file);
    for (const auto& f : table.fields)
        if (!columns.contains(f.name))
            return State::Unknown;
    const Indexes indexes = indexesOf(db, schema, table, file);
    if (!indexes.ownCollation.isEmpty())
        return State::EarlierFormat;
    for (const auto& f : sorted)
        if (!columns.contains(Schema::sortKeyColumn(f.field)) ||
            !columns.contains(Schema::sortSourceColumn(f.field)))
            return State::EarlierFormat;
    for (const QString& name : table.indexNames())
        if (!indexes.names.contains(name))
            return State::Outdated;
    return versionIsCurrent(db, schema, file) ? State::Current : State::Outdated;
}

int rebuild(sqlite3* db, const QString& schema, const TableDefinition& table, const QString& file)
{
    const auto sorted = table.sortedFields();
    // Dropped first: updating every key is quicker without them, and an old
    // index cannot even be updated without its collation.
    const Indexes indexes = indexesOf(db, schema, table, file);
    const QStringList ours = table.indexNames();
    for (const QString& name : indexes.names)
        if (ours.contains(name) || indexes.ownCollation.contains(name))
            exec(db, QStringLiteral("DROP INDEX %1.%2").arg(quoted(schema), quoted(name)), file);
    const QSet<QString> columns =
        texts(db, QStringLiteral("SELECT name FROM pragma_table_info(?1, ?2)"),
              {table.name, schema}, file);
    const QString qualified = quoted(schema) + u'.' + quoted(table.name);
    int rows = 0;
    for (const auto& f : sorted) {
        if (!columns.contains(Schema::sortKeyColumn(f.field)))
            exec(db,
                 QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 BLOB")
                     .arg(qualified, quoted(Schema::sortKeyColumn(f.field))),
                 file);
        if (!columns.contains(Schema::sortSourceColumn(f.field)))
            exec(db,
                 QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT")
                     .arg(qualified, quoted(Schema::sortSourceColumn(f.field))),
                 file);
    }
    if (!sorted.empty()) {
        exec(db, QStringLiteral("UPDATE %1 SET %2").arg(qualified, keyAssignments(table)), file);
        rows = sqlite3_changes(db);
    }
    for (const QString& sql : table.indexStatements(schema))
        exec(db, sql, file);
    if (sorted.empty())
        return rows;

    const QString versionTable = quoted(schema) + u'.' + quoted(VersionTable);
    exec(db,
         QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (Locale TEXT, IcuVersion TEXT, "
                        "CollatorVersion TEXT); DELETE FROM %1")
             .arg(versionTable),
         file);
    Statement insert(db, QStringLiteral("INSERT INTO %1 VALUES (?1, ?2, ?3)").arg(versionTable),
                     file);
    const auto& version = currentVersion();
    insert.bind(1, version.locale);
    insert.bind(2, version.icu);
    insert.bind(3, version.collator);
    insert.step();
    return rows;
}

int bringUpToDate(sqlite3* db, const QString& schema, const TableDefinition& table,
                  const QString& file)
{
    if (table.sortedFields().empty())
        return 0;
    const State state = inspect(db, schema, table, file);
    if (state != State::Current && state != State::Outdated)
        return 0;
    const QString qualified = quoted(schema) + u'.' + quoted(table.name);
    const QString pending = table.sortPendingCondition();
    if (state == State::Current) {
        // The check that runs at every open: one look into an index that is
        // empty unless another program wrote.
        Statement any(
            db, QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1").arg(qualified, pending), file);
        if (!any.step())
            return 0;
    }
    exec(db, QStringLiteral("SAVEPOINT kv_sortkeys"), file);
    auto undo = qScopeGuard([&] {
        sqlite3_exec(db, "ROLLBACK TO kv_sortkeys; RELEASE kv_sortkeys", nullptr, nullptr, nullptr);
    });
    int rows = 0;
    if (state == State::Outdated) {
        rows = rebuild(db, schema, table, file);
    } else {
        exec(db,
             QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                 .arg(qualified, keyAssignments(table), pending),
             file);
        rows = sqlite3_changes(db);
    }
    exec(db, QStringLiteral("RELEASE kv_sortkeys"), file);
    undo.dismiss();
    return rows;
}

} // namespace SortKeys
