#include "core/store/SortKeys.h"

#include "core/store/Connection.h"
#include "core/store/DanishOrder.h"
#include "core/store/DatabaseError.h"
#include "core/store/FolderDatabase.h"

#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <optional>

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

// Indexes ordered by the collations the program once registered itself.
bool needsOwnCollation(const QString& sql)
{
    static const QRegularExpression collate(QStringLiteral("COLLATE\\s+\"?DANISH"),
                                            QRegularExpression::CaseInsensitiveOption);
    return collate.match(sql).hasMatch();
}

// What a file holds of a table: its columns, its indexes and whether it
// has the version table, read in one statement.
struct Layout
{
    QSet<QString> columns;
    QHash<QString, QString> indexes; // definitions by name
    QSet<QString> ownCollation;      // indexes that need the old collations
    bool versionTable = false;
};

Layout layoutOf(sqlite3* db, const QString& schema, const TableDefinition& table,
                const QString& file)
{
    Statement query(db,
                    QStringLiteral("SELECT 'column', name, '' FROM pragma_table_info(?1, ?2) "
                                   "UNION ALL SELECT type, name, ifnull(sql, '') FROM "
                                   "%1.sqlite_master WHERE (type = 'index' AND tbl_name = ?1) "
                                   "OR (type = 'table' AND name = ?3)")
                        .arg(quoted(schema)),
                    file);
    query.bind(1, table.name);
    query.bind(2, schema);
    query.bind(3, VersionTable);
    Layout layout;
    while (query.step()) {
        const QString kind = query.columnText(0);
        const QString name = query.columnText(1);
        if (kind == u"column") {
            layout.columns << name;
        } else if (kind == u"table") {
            layout.versionTable = true;
        } else {
            layout.indexes.insert(name, query.columnText(2));
            if (needsOwnCollation(query.columnText(2)))
                layout.ownCollation << name;
        }
    }
    return layout;
}

struct Inspection
{
    SortKeys::State state;
    bool pending = false; // rows whose keys another program left missing or stale
    // Indexes for one query each that the file does not have yet (a file of
    // an earlier release): made at open, no key needs making again.
    std::vector<StoredIndex> missing = {};
};

bool hasColumn(sqlite3* db, const QString& schema, const QString& table, const QString& column)
{
    return sqlite3_table_column_metadata(db, schema.toUtf8().constData(),
                                         table.toUtf8().constData(), column.toUtf8().constData(),
                                         nullptr, nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The look that runs at every open, for a file as this program writes it:
// the version, the indexes and one step into an index that is empty unless
// another program wrote, all in one statement. Null when the file is not
// plainly current; a closer look then tells what it is.
std::optional<Inspection> quickLook(sqlite3* db, const QString& schema,
                                    const TableDefinition& table, const QString& file)
{
    if (!hasColumn(db, schema, VersionTable, QStringLiteral("Locale")))
        return std::nullopt;
    for (const auto& f : table.sortedFields())
        if (!hasColumn(db, schema, table.name, Schema::sortKeyColumn(f.field)) ||
            !hasColumn(db, schema, table.name, Schema::sortSourceColumn(f.field)))
            return std::nullopt;
    auto stored = table.storedIndexes();
    std::sort(stored.begin(), stored.end(),
              [](const StoredIndex& a, const StoredIndex& b) { return a.name < b.name; });
    QStringList expected;
    for (const StoredIndex& index : stored)
        expected << index.name + u' ' + index.definition;
    Statement query(db,
                    QStringLiteral("SELECT Locale, IcuVersion, CollatorVersion, EXISTS (SELECT 1 "
                                   "FROM %1.%2 WHERE %3), (SELECT group_concat(name || ' ' || "
                                   "sql, char(10)) FROM (SELECT name, sql FROM %1.sqlite_master "
                                   "WHERE type = 'index' AND tbl_name = ?1 AND sql IS NOT NULL "
                                   "ORDER BY name)) FROM %1.%4")
                        .arg(quoted(schema), quoted(table.name), table.sortPendingCondition(),
                             quoted(VersionTable)),
                    file);
    query.bind(1, table.name);
    if (!query.step())
        return std::nullopt;
    const DanishOrder::Version version{query.columnText(0), query.columnText(1),
                                       query.columnText(2)};
    const Inspection found{SortKeys::State::Current, query.columnInt64(3) != 0};
    if (!DanishOrder::isCurrent(version) || query.columnText(4) != expected.join(u'\n') ||
        query.step())
        return std::nullopt;
    return found;
}

Inspection inspectFile(sqlite3* db, const QString& schema, const TableDefinition& table,
                       const QString& file)
{
    using SortKeys::State;
    const auto sorted = table.sortedFields();
    if (sorted.empty())
        return {State::Current};
    if (const auto found = quickLook(db, schema, table, file))
        return *found;
    const Layout layout = layoutOf(db, schema, table, file);
    for (const auto& f : table.fields)
        if (!layout.columns.contains(f.name))
            return {State::Unknown};
    if (!layout.ownCollation.isEmpty())
        return {State::EarlierFormat};
    for (const auto& f : sorted)
        if (!layout.columns.contains(Schema::sortKeyColumn(f.field)) ||
            !layout.columns.contains(Schema::sortSourceColumn(f.field)))
            return {State::EarlierFormat};
    std::vector<StoredIndex> missing;
    for (const StoredIndex& index : table.storedIndexes()) {
        const QString found = layout.indexes.value(index.name);
        if (found.isEmpty() && index.coversOneQuery)
            missing.push_back(index);
        else if (found != index.definition)
            return {State::Outdated};
    }
    if (!layout.versionTable)
        return {State::Outdated};
    // Current but for something of the file's own, such as an index another
    // program added: the version decides.
    Statement query(db,
                    QStringLiteral("SELECT Locale, IcuVersion, CollatorVersion, EXISTS (SELECT 1 "
                                   "FROM %1.%2 WHERE %3) FROM %1.%4")
                        .arg(quoted(schema), quoted(table.name), table.sortPendingCondition(),
                             quoted(VersionTable)),
                    file);
    if (!query.step())
        return {State::Outdated};
    const DanishOrder::Version stored{query.columnText(0), query.columnText(1),
                                      query.columnText(2)};
    const bool pending = query.columnInt64(3) != 0;
    if (!DanishOrder::isCurrent(stored) || query.step())
        return {State::Outdated};
    return {State::Current, pending, missing};
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

void writeVersion(sqlite3* db, const QString& schema, const QString& file)
{
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
    return inspectFile(db, schema, table, file).state;
}

int rebuild(sqlite3* db, const QString& schema, const TableDefinition& table, const QString& file)
{
    const auto sorted = table.sortedFields();
    const Layout layout = layoutOf(db, schema, table, file);
    // An old index cannot even be updated without its collation, and one of
    // ours made another way is made again. The others stay: SQLite refuses
    // to drop an index while the folder's connection reads another table,
    // as it does when a file is opened after the first.
    const auto ours = table.storedIndexes();
    QStringList dropped;
    for (const auto& [name, definition] : layout.indexes.asKeyValueRange()) {
        const auto own = std::find_if(ours.begin(), ours.end(),
                                      [&](const StoredIndex& index) { return index.name == name; });
        if (layout.ownCollation.contains(name) ||
            (own != ours.end() && own->definition != definition)) {
            exec(db, QStringLiteral("DROP INDEX %1.%2").arg(quoted(schema), quoted(name)), file);
            dropped << name;
        }
    }
    const QString qualified = quoted(schema) + u'.' + quoted(table.name);
    const auto addColumn = [&](const QString& column, const char* type) {
        if (!layout.columns.contains(column))
            exec(db,
                 QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                     .arg(qualified, quoted(column), QLatin1String(type)),
                 file);
    };
    int rows = 0;
    if (!sorted.empty()) {
        for (const auto& f : sorted) {
            addColumn(Schema::sortKeyColumn(f.field), "BLOB");
            addColumn(Schema::sortSourceColumn(f.field), "TEXT");
        }
        exec(db, QStringLiteral("UPDATE %1 SET %2").arg(qualified, keyAssignments(table)), file);
        rows = sqlite3_changes(db);
    }
    for (const StoredIndex& index : ours)
        if (!layout.indexes.contains(index.name) || dropped.contains(index.name))
            exec(db, index.createIn(schema), file);
    if (!sorted.empty())
        writeVersion(db, schema, file);
    return rows;
}

Result bringUpToDate(sqlite3* db, const QString& schema, const TableDefinition& table,
                     const QString& file)
{
    if (table.sortedFields().empty())
        return {State::Current, 0};
    // One transaction for the look and the writing: the file is locked and
    // read once, and what is found cannot change before it is acted on.
    exec(db, QStringLiteral("SAVEPOINT kv_sortkeys"), file);
    auto undo = qScopeGuard([&] {
        sqlite3_exec(db, "ROLLBACK TO kv_sortkeys; RELEASE kv_sortkeys", nullptr, nullptr, nullptr);
    });
    const Inspection found = inspectFile(db, schema, table, file);
    Result result{found.state, 0};
    for (const StoredIndex& index : found.missing)
        exec(db, index.createIn(schema), file);
    if (found.state == State::Outdated) {
        result.rows = rebuild(db, schema, table, file);
        result.state = State::Current;
    } else if (found.pending) {
        exec(db,
             QStringLiteral("UPDATE %1.%2 SET %3 WHERE %4")
                 .arg(quoted(schema), quoted(table.name), keyAssignments(table),
                      table.sortPendingCondition()),
             file);
        result.rows = sqlite3_changes(db);
    }
    exec(db, QStringLiteral("RELEASE kv_sortkeys"), file);
    undo.dismiss();
    return result;
}

} // namespace SortKeys
