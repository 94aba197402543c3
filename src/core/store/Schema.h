#pragma once

#include <QString>
#include <QStringList>
#include <vector>

enum class FieldType
{
    Text,
    Integer,
    Date,
    Memo
};

// How a key field compares in an ordering index. The Danish orders are kept
// in stored sort keys beside the field (see SortKeys), so that the indexes
// need no collation of the program's own and any SQLite tool can use them.
enum class Collation
{
    Binary,      // byte order; postal codes, phone numbers, two-digit day and month
    Danish,      // Danish alphabetical order (Æ, Ø, Å after Z, aa as å)
    DanishNoCase // Danish order, letter case ignored
};

struct FieldDefinition
{
    QString name;
    FieldType type = FieldType::Text;
    int size = 0; // characters for text fields, 0 = unlimited
};

struct IndexField
{
    QString field;
    Collation collation = Collation::Binary;
};

struct IndexDefinition
{
    QString name; // empty for the primary index
    std::vector<IndexField> fields;
};

struct StoredIndex
{
    QString name;
    QString definition;          // "CREATE INDEX ...", as SQLite keeps it in sqlite_master
    bool coversOneQuery = false; // holds no sort key: made alone where missing
    // The statement that creates it in a schema of the connection.
    QString createIn(const QString& schema) const;
};

// One table file: one SQLite database holding one table named after the
// file's stem, with columns named exactly as the fields.
struct TableDefinition
{
    QString name;     // the table inside the file, e.g. "Telefon"
    QString fileName; // the file in the data folder, e.g. "Telefon.DB"
    std::vector<FieldDefinition> fields;
    QStringList primaryKey;               // unique, compared exactly
    std::vector<IndexDefinition> indexes; // the first has an empty name: the primary order
    // An index that holds, for the few rows one query asks for, every column
    // that query reads: the query then reads the index instead of the table.
    struct CoveringIndex
    {
        QString name;
        QStringList columns;
        QString condition; // SQL on the table's columns, with constants only
    };
    std::vector<CoveringIndex> coveringIndexes;

    int fieldIndex(const QString& fieldName) const;               // case-insensitive, -1 if absent
    const IndexDefinition* index(const QString& indexName) const; // case-insensitive

    // The fields kept in a Danish order by a stored sort key, each once.
    std::vector<IndexField> sortedFields() const;
    // Rows whose sort keys were not made from the fields as they are now
    // (written by another program), as SQL on the table's own columns.
    QString sortPendingCondition() const;

    // SQL that creates the table in a schema of the connection ("main" for
    // a file opened on its own).
    QString createTableStatement(const QString& schema = QStringLiteral("main")) const;
    // Its indexes, as SQLite keeps them in the file.
    std::vector<StoredIndex> storedIndexes() const;
};

namespace Schema {
const TableDefinition& telefon();
const TableDefinition& familie();
const TableDefinition& postnr();
const TableDefinition& nogleord();
const TableDefinition& regnr();
const TableDefinition& config();
const std::vector<const TableDefinition*>& all();
// The definition whose file name matches without regard to case, or nullptr.
const TableDefinition* forFile(const QString& fileName);
// The column an index orders by for a key field: the field itself, or its
// stored sort key; quoted.
QString orderColumn(const IndexField& f);
// The columns of an index on key fields, quoted: the order columns, then
// the fields kept by sort keys themselves. Those break ties between texts
// the order calls equal, and with them the index holds every key field, so
// that stepping through it needs no look into the table.
QStringList orderColumns(const std::vector<IndexField>& fields);
// The columns that hold a field's sort key and the text it was made from.
QString sortKeyColumn(const QString& field);
QString sortSourceColumn(const QString& field);
// A table, index or column name as SQL writes it: in double quotes, inner
// quotes doubled.
QString quoted(const QString& identifier);
} // namespace Schema
