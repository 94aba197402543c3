#pragma once

#include "core/store/Schema.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class Connection;
class Statement;

// The records of one table that pass a condition, in the order of an index,
// read lazily: the order is stepped through only as far as a move or a grid
// needs it, and a whole record is read only when it is asked for.
//
// The view knows records by their rowid and their place in the order. It
// has a version that changes whenever the order, the condition or the
// stored data may have changed, so that caches built on it know when to go.
class OrderedView
{
public:
    // The condition as SQL; its parameters are appended to params. Asked
    // every time the view reads, so it always follows the cursor's filter
    // and link.
    using Condition = std::function<QString(QVariantList& params)>;

    explicit OrderedView(Condition condition);
    ~OrderedView();
    OrderedView(const OrderedView&) = delete;
    OrderedView& operator=(const OrderedView&) = delete;

    void open(Connection& connection, const TableDefinition& table);
    void close();
    bool isOpen() const { return m_connection != nullptr; }

    // Takes effect when the view is next read from the start.
    void setOrder(std::vector<IndexField> order) { m_order = std::move(order); }
    const std::vector<IndexField>& order() const { return m_order; }
    // "ORDER BY" terms of the order, the rowid last so that it is total;
    // descending reads the order from its end.
    QString orderClause(bool descending = false) const;

    // Reads the order from the start now, or when it is next needed.
    void rebuild();
    void invalidate();
    // Like invalidate, keeping a known count changed by delta.
    void invalidateKeepingCount(int delta);

    // Steps the order up to index; false when it has fewer records.
    bool ensureRow(int index);
    // Steps to the end; the last place, or -1 when the view is empty.
    int lastIndex();
    // Whether the order has been stepped to its end.
    bool isComplete() const { return m_complete && !m_stale; }
    // The last record in the order, read from its end without stepping
    // through the records before it; -1 when the view is empty.
    qint64 lastRowid();
    qint64 rowidAt(int index) const { return m_rowids[size_t(index)]; }
    // The place of a record, stepping as far as needed; -1 if not in the view.
    int findIndex(qint64 rowid);
    qint64 count();

    // Whether a record of the view comes before (or after) the one given in
    // the order: a look-up on the order's index, without stepping to it.
    bool hasNeighbour(qint64 rowid, bool after);
    // Whether a record is in the table and passes the condition.
    bool passes(qint64 rowid);
    // The first record in the order that passes the condition and another
    // one of the caller's; -1 if none.
    qint64 firstMatch(const QString& condition, const QVariantList& params);

    // Every field of one record, as stored; nulls for a record that is gone.
    std::vector<QVariant> readRow(qint64 rowid) const;
    // One field of the record at a place, through a cache of whole rows.
    QVariant valueAt(int index, int field);
    // One field of every record in the order, as stored text.
    std::vector<QString> column(int field);
    // The stored texts of some fields of every record in the order, one
    // record at a time, read in one pass.
    void texts(const std::vector<int>& fields, const std::function<void(const QString*)>& row);
    // texts() spread over calls, for a read too long for one turn of the
    // event loop, the texts as SQLite holds them (UTF-8, valid during the
    // call; a null is an empty view). Begin with a default TextsRead; each
    // call hands on up to rows more records and is true once the last has
    // been. When the read cannot go on where it stopped (the view changed,
    // or its statement was let go after a failed write), it begins again
    // from the first record and calls restart first.
    struct TextsRead
    {
        quint64 id = 0;     // 0: not begun
        qsizetype rows = 0; // handed on so far
    };
    bool textsSlice(const std::vector<int>& fields, TextsRead& read, int rows,
                    const std::function<void(const QByteArrayView*)>& row,
                    const std::function<void()>& restart);

    // The fields the scan reads from the index beside the rowid, and whether
    // the scan sits on the record at a place, so that they can be taken
    // from it without reading the record.
    const std::vector<int>& scanFields() const { return m_scanFields; }
    bool scanSitsOn(int index) const;
    QVariant scanValue(size_t k) const;

    quint64 version() const { return m_version; }

private:
    // The text of a query on the view's records; its parameters are appended.
    QString selectSql(const QString& columns, const QString& condition, const QString& tail,
                      QVariantList& params) const;
    QString columnList(const std::vector<int>& fields) const;
    // A query on the view's records, prepared once per text and bound anew.
    Statement& select(const QString& columns, const QString& condition, const QVariantList& params,
                      const QString& tail);
    // The first column of the first row, or none; the query is reset after.
    static qint64 firstInt64(Statement& query, qint64 none);
    void readBlock(int index);
    QString scanOrder(const QString& columns);
    bool walksWholeOrder(const QString& sql);
    void readFromStart(bool changed);
    void reset();

    Condition m_condition;
    Connection* m_connection = nullptr;
    const TableDefinition* m_table = nullptr;
    std::vector<IndexField> m_order;
    std::vector<int> m_scanFields;
    std::map<QString, std::unique_ptr<Statement>> m_statements;
    Statement* m_scan = nullptr; // one of m_statements
    std::unique_ptr<Statement> m_selectRow;
    std::unique_ptr<Statement> m_selectBlock; // a block of rows by their rowids
    std::vector<qint64> m_rowids;
    int m_scanAt = -1; // the place the scan statement sits on
    bool m_complete = false;
    bool m_stale = false;
    qint64 m_count = -1;
    quint64 m_version = 0;
    // A record read for a grid: its stored texts in one buffer, made values
    // only when a cell asks, as a grid shows few of the fields it reads.
    struct CachedRow
    {
        QByteArray texts;
        std::vector<int> ends; // where each field's text ends in texts
        QByteArray types;      // each field's SQLite type
        QVariant value(size_t field) const;
    };
    QHash<qint64, CachedRow> m_rowCache;
    QHash<QString, bool> m_walksWholeOrder; // by the text of a query
    // The statements of the reads textsSlice() has under way, by their id;
    // each its own, so that two reads never reset each other. All go when
    // the version changes: those reads begin again.
    struct TextsScan
    {
        std::unique_ptr<Statement> statement;
        qsizetype rows = 0;
    };
    std::map<quint64, TextsScan> m_textsScans;
    quint64 m_lastTextsRead = 0;
};
