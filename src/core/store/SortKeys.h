#pragma once

#include "core/store/Schema.h"

#include <QString>
#include <sqlite3.h>

// The stored sort keys of a table file. Each field kept in a Danish order has
// two columns beside it: its sort key ("Navn_Sort", a BLOB that any SQLite
// program orders correctly: ORDER BY Navn_Sort) and the text the key was made
// from ("Navn_SortSource"). The indexes order by the keys, so no index needs a
// collation of the program's own. A row another program wrote or changed has
// a source that differs from its field; a partial index holds exactly those
// rows, so they are found at open without reading the table. The version of
// the collation the keys were made with is kept in the table "SortKeys".
namespace SortKeys {

// kv_sortkey(text) and kv_sortkey_nocase(text): the keys, for the program's
// own statements. Nothing stored in a file refers to them.
void registerFunctions(sqlite3* db);
// The SQL that makes the key of a field from a value (a column or "?1").
QString keyOf(Collation collation, const QString& value);

enum class State
{
    Current,       // keys, indexes and version as this program makes them
    Outdated,      // made by another version of the collation, or indexes missing
    EarlierFormat, // no key columns, or indexes that need the program's own collation
    Unknown        // not the table its definition describes: left alone
};
State inspect(sqlite3* db, const QString& schema, const TableDefinition& table,
              const QString& file);

// Makes every key and the indexes again and notes the collation's version,
// within the caller's transaction (only the indexes for a table without
// sort keys). Adds the key columns where they are
// missing and drops indexes that need a collation of the program's own.
// Returns the rows it made keys for.
int rebuild(sqlite3* db, const QString& schema, const TableDefinition& table, const QString& file);

// Brings a file of the current format up to date in a transaction of its
// own: everything again when it is outdated, else only the rows whose keys
// another program left missing or stale. A file in the earlier format, or
// an unknown one, is left as it is; the state tells.
struct Result
{
    State state;
    int rows; // the rows it made keys for
};
Result bringUpToDate(sqlite3* db, const QString& schema, const TableDefinition& table,
                     const QString& file);

} // namespace SortKeys
