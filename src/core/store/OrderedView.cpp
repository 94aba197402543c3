#include "core/store/OrderedView.h"

#include "core/store/Connection.h"

#include <QScopeGuard>

#include <algorithm>

namespace {

using Schema::quoted;

// Rows kept for grids before the cache is dropped and read again.
constexpr int RowCacheLimit = 4000;
// Rows read by one statement when a grid asks for a row not yet read: more
// than a grid shows, so that a page down is one statement, not one a row.
constexpr int RowBlock = 32;
// Prepared statements kept before they are prepared again: one per kind of
// query and filter, so a detail view following its master prepares nothing.
constexpr int StatementCacheLimit = 24;
// Records under a condition that are sorted rather than found by stepping
// the order's index.
constexpr int SortedScanLimit = 2000;
// A count first steps this far: a small view (a contact's family members)
// is then counted without a query of its own.
constexpr int CountByStepping = 64;
// Reads by textsSlice() under way at once: one per searched field.
constexpr size_t TextsScanLimit = 4;

} // namespace

OrderedView::OrderedView(Condition condition) : m_condition(std::move(condition)) {}

OrderedView::~OrderedView() = default;

void OrderedView::open(Connection& connection, const TableDefinition& table)
{
    m_connection = &connection;
    m_table = &table;
    QStringList columns;
    for (const auto& f : table.fields)
        columns << quoted(f.name);
    // Preparing it proves that the file holds the table with every field.
    m_selectRow = std::make_unique<Statement>(
        connection, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                        .arg(columns.join(u','), connection.qualified(table.name)));
    m_selectBlock.reset(); // made for this connection when first needed
    reset();
    m_stale = true;
}

void OrderedView::close()
{
    reset();
    m_statements.clear();
    m_textsScans.clear();
    m_walksWholeOrder.clear();
    m_selectRow.reset();
    m_selectBlock.reset();
    m_connection = nullptr;
    ++m_version;
}

void OrderedView::reset()
{
    if (m_scan)
        m_scan->reset(); // a statement left stepping would keep the file's read lock
    m_scan = nullptr;
    m_rowids.clear();
    m_scanAt = -1;
    m_complete = false;
    m_count = -1;
    m_rowCache.clear();
}

QString OrderedView::orderClause(bool descending) const
{
    QStringList columns = Schema::orderColumns(m_order) << QStringLiteral("rowid");
    if (descending)
        for (QString& column : columns)
            column += QStringLiteral(" DESC");
    return columns.join(u',');
}

QString OrderedView::selectSql(const QString& columns, const QString& condition,
                               const QString& tail, QVariantList& params) const
{
    QString where = m_condition(params);
    if (!condition.isEmpty())
        where = QStringLiteral("(%1) AND (%2)").arg(where, condition);
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3%4")
        .arg(columns, m_connection->qualified(m_table->name), where, tail);
}

Statement& OrderedView::select(const QString& columns, const QString& condition,
                               const QVariantList& conditionParams, const QString& tail)
{
    QVariantList params;
    const QString sql = selectSql(columns, condition, tail, params);
    params += conditionParams;
    std::unique_ptr<Statement>& slot = m_statements[sql];
    if (!slot) {
        if (m_statements.size() > StatementCacheLimit) {
            // Dropped all at once but the scan's, which may still be stepping.
            for (auto it = m_statements.begin(); it != m_statements.end();)
                it = it->second.get() == m_scan || it->first == sql ? std::next(it)
                                                                    : m_statements.erase(it);
        }
        slot = std::make_unique<Statement>(*m_connection, sql);
    }
    Statement& statement = *slot;
    statement.reset();
    for (int i = 0; i < params.size(); ++i)
        statement.bind(i + 1, params[i]);
    return statement;
}

qint64 OrderedView::firstInt64(Statement& query, qint64 none)
{
    const qint64 value = query.step() ? query.columnInt64(0) : none;
    query.reset();
    return value;
}

void OrderedView::invalidate()
{
    reset();
    m_stale = true;
    ++m_version;
    m_textsScans.clear();
}

void OrderedView::invalidateKeepingCount(int delta)
{
    const qint64 count = m_count;
    invalidate();
    if (count >= 0)
        m_count = count + delta;
}

void OrderedView::rebuild()
{
    readFromStart(true);
}

// changed: the view may hold other records than it was last told of. One
// read again after invalidate() has changed its version already, so that
// caches built since then stay good; a count kept through a write of this
// cursor's is still right.
void OrderedView::readFromStart(bool changed)
{
    const qint64 kept = m_stale && !changed ? m_count : -1;
    m_stale = false;
    QString columns = QStringLiteral("rowid");
    m_scanFields.clear();
    for (const auto& f : m_order) {
        const int index = m_table->fieldIndex(f.field);
        if (index >= 0) {
            columns += u',' + quoted(m_table->fields[size_t(index)].name);
            m_scanFields.push_back(index);
        }
    }
    reset();
    m_count = kept;
    m_scan = &select(columns, {}, {}, QStringLiteral(" ORDER BY ") + scanOrder(columns));
    if (changed) {
        ++m_version;
        m_textsScans.clear();
    }
}

// Under a condition that few records pass (a card list nobody is on, a
// contact's family members), stepping the order's index would look up every
// record to find them. Counting first tells: then the records that pass are
// read by the condition and sorted, which the unary plus on the first term
// asks of SQLite. Where the order's index itself finds them (a birthday
// month in birthday order), it is stepped: the first page of them is read
// without reading and sorting all.
QString OrderedView::scanOrder(const QString& columns)
{
    QVariantList params;
    const QString condition = m_condition(params);
    if (condition == QStringLiteral("1"))
        return orderClause();
    if (m_count < 0)
        m_count = firstInt64(select(QStringLiteral("count(*)"), {}, {}, {}), 0);
    if (m_count > SortedScanLimit)
        return orderClause();
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
            .arg(columns, m_connection->qualified(m_table->name), condition, orderClause());
    return walksWholeOrder(sql) ? u'+' + orderClause() : orderClause();
}

// Whether SQLite reads a query by stepping through every record in the
// order's index; asked once for each text of a query.
bool OrderedView::walksWholeOrder(const QString& sql)
{
    auto known = m_walksWholeOrder.constFind(sql);
    if (known != m_walksWholeOrder.constEnd())
        return known.value();
    if (m_walksWholeOrder.size() > StatementCacheLimit)
        m_walksWholeOrder.clear();
    Statement plan(*m_connection, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    bool walks = false;
    while (plan.step())
        walks = walks || plan.columnText(3).startsWith(QStringLiteral("SCAN"));
    m_walksWholeOrder.insert(sql, walks);
    return walks;
}

bool OrderedView::ensureRow(int index)
{
    if (index < 0)
        return false;
    if (m_stale)
        readFromStart(false);
    while (int(m_rowids.size()) <= index && !m_complete) {
        // A scan let go after a failed write starts again.
        if (m_scanAt >= 0 && !m_scan->busy())
            rebuild();
        if (m_scan->step()) {
            m_rowids.push_back(m_scan->columnInt64(0));
            m_scanAt = int(m_rowids.size()) - 1;
        } else {
            m_scanAt = -1;
            m_complete = true;
            m_count = qint64(m_rowids.size());
        }
    }
    return int(m_rowids.size()) > index;
}

bool OrderedView::scanSitsOn(int index) const
{
    return index == m_scanAt && !m_scanFields.empty() && m_scan->busy();
}

int OrderedView::lastIndex()
{
    if (!ensureRow(0))
        return -1;
    ensureRow(INT_MAX - 1);
    return int(m_rowids.size()) - 1;
}

int OrderedView::findIndex(qint64 rowid)
{
    if (rowid < 0)
        return -1;
    for (int i = 0;; ++i) {
        if (!ensureRow(i))
            return -1;
        if (m_rowids[size_t(i)] == rowid)
            return i;
    }
}

qint64 OrderedView::count()
{
    if (m_count < 0 && ensureRow(CountByStepping - 1) && m_count < 0)
        m_count = firstInt64(select(QStringLiteral("count(*)"), {}, {}, {}), 0);
    return std::max<qint64>(m_count, 0);
}

bool OrderedView::passes(qint64 rowid)
{
    return firstInt64(
               select(QStringLiteral("1"), QStringLiteral("rowid = ?"), {QVariant(rowid)}, {}),
               0) == 1;
}

bool OrderedView::hasNeighbour(qint64 rowid, bool after)
{
    const QString keys = (Schema::orderColumns(m_order) << QStringLiteral("rowid")).join(u',');
    const QString condition = QStringLiteral("(%1) %2 (SELECT %1 FROM %3 WHERE rowid = ?)")
                                  .arg(keys, after ? QStringLiteral(">") : QStringLiteral("<"),
                                       m_connection->qualified(m_table->name));
    return firstInt64(select(QStringLiteral("1"), condition, {QVariant(rowid)},
                             QStringLiteral(" LIMIT 1")),
                      0) == 1;
}

qint64 OrderedView::firstMatch(const QString& condition, const QVariantList& params)
{
    return firstInt64(
        select(QStringLiteral("rowid"), condition, params,
               QStringLiteral(" ORDER BY ") + orderClause() + QStringLiteral(" LIMIT 1")),
        -1);
}

qint64 OrderedView::lastRowid()
{
    return firstInt64(
        select(QStringLiteral("rowid"), {}, {},
               QStringLiteral(" ORDER BY ") + orderClause(true) + QStringLiteral(" LIMIT 1")),
        -1);
}

std::vector<QVariant> OrderedView::readRow(qint64 rowid) const
{
    m_selectRow->reset();
    m_selectRow->bind(1, QVariant(rowid));
    std::vector<QVariant> row(m_table->fields.size());
    if (m_selectRow->step())
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = m_selectRow->column(int(i));
    m_selectRow->reset();
    return row;
}

QVariant OrderedView::valueAt(int index, int field)
{
    if (!ensureRow(index))
        return {};
    const qint64 rowid = m_rowids[size_t(index)];
    auto it = m_rowCache.constFind(rowid);
    if (it == m_rowCache.constEnd()) {
        readBlock(index);
        it = m_rowCache.constFind(rowid);
        if (it == m_rowCache.constEnd()) { // gone from the file since the view was read
            const size_t fields = m_table->fields.size();
            it = m_rowCache.insert(rowid, {QByteArray(), std::vector<int>(fields, 0),
                                           QByteArray(qsizetype(fields), char(SQLITE_NULL))});
        }
    }
    return it.value().value(size_t(field));
}

QVariant OrderedView::CachedRow::value(size_t field) const
{
    const int begin = field == 0 ? 0 : ends[field - 1];
    const QByteArrayView text = QByteArrayView(texts).sliced(begin, ends[field] - begin);
    switch (types[qsizetype(field)]) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(text.toLongLong());
    default:
        return QString::fromUtf8(text);
    }
}

// The rows of the block of places around index, read by one statement.
void OrderedView::readBlock(int index)
{
    if (m_rowCache.size() + RowBlock > RowCacheLimit)
        m_rowCache.clear();
    const int first = index - index % RowBlock;
    ensureRow(first + RowBlock - 1);
    const int end = std::min(first + RowBlock, int(m_rowids.size()));
    // Prepared when a grid first reads: a move or a search never needs it,
    // and preparing a statement of every field costs as much as the read.
    if (!m_selectBlock) {
        QStringList columns, block;
        for (const auto& f : m_table->fields)
            columns << quoted(f.name);
        for (int i = 0; i < RowBlock; ++i)
            block << QStringLiteral("?");
        m_selectBlock = std::make_unique<Statement>(
            *m_connection,
            QStringLiteral("SELECT rowid,%1 FROM %2 WHERE rowid IN (%3)")
                .arg(columns.join(u','), m_connection->qualified(m_table->name), block.join(u',')));
    }
    m_selectBlock->reset();
    for (int i = 0; i < RowBlock; ++i)
        m_selectBlock->bind(i + 1,
                            first + i < end ? QVariant(m_rowids[size_t(first + i)]) : QVariant());
    const int fields = int(m_table->fields.size());
    while (m_selectBlock->step()) {
        CachedRow row;
        row.ends.reserve(size_t(fields));
        row.types.reserve(fields);
        for (int f = 1; f <= fields; ++f) {
            row.types += char(m_selectBlock->columnType(f));
            row.texts += m_selectBlock->columnUtf8(f);
            row.ends.push_back(int(row.texts.size()));
        }
        m_rowCache.insert(m_selectBlock->columnInt64(0), std::move(row));
    }
    m_selectBlock->reset();
}

std::vector<QString> OrderedView::column(int field)
{
    std::vector<QString> values;
    texts({field}, [&](const QString* text) { values.push_back(text[0]); });
    return values;
}

QString OrderedView::columnList(const std::vector<int>& fields) const
{
    QStringList columns;
    for (int field : fields)
        columns << quoted(m_table->fields[size_t(field)].name);
    return columns.join(u',');
}

void OrderedView::texts(const std::vector<int>& fields,
                        const std::function<void(const QString*)>& row)
{
    Statement& query =
        select(columnList(fields), {}, {}, QStringLiteral(" ORDER BY ") + orderClause());
    const auto done = qScopeGuard([&query] { query.reset(); });
    std::vector<QString> values(fields.size());
    while (query.step()) {
        for (size_t i = 0; i < fields.size(); ++i)
            values[i] = query.columnText(int(i));
        row(values.data());
    }
}

bool OrderedView::textsSlice(const std::vector<int>& fields, TextsRead& read, int rows,
                             const std::function<void(const QByteArrayView*)>& row,
                             const std::function<void()>& restart)
{
    auto scan = m_textsScans.find(read.id);
    // A statement that is no longer busy was let go, or another read of the
    // same id ran it on: either way this read does not go on from where it was.
    const bool goesOn = scan != m_textsScans.end() && scan->second.rows == read.rows &&
                        scan->second.statement->busy();
    if (!goesOn) {
        if (read.rows > 0 && restart)
            restart();
        if (scan != m_textsScans.end())
            m_textsScans.erase(scan);
        read = {++m_lastTextsRead, 0};
        QVariantList params;
        const QString sql =
            selectSql(columnList(fields), {}, QStringLiteral(" ORDER BY ") + orderClause(), params);
        auto statement = std::make_unique<Statement>(*m_connection, sql);
        for (int i = 0; i < params.size(); ++i)
            statement->bind(i + 1, params[i]);
        // A read given up half-way (its cache gone) would keep its statement,
        // and with it the file's read lock, until the view changes: the
        // oldest goes when more are under way than ever run at once.
        if (m_textsScans.size() >= TextsScanLimit)
            m_textsScans.erase(m_textsScans.begin());
        scan = m_textsScans.emplace(read.id, TextsScan{std::move(statement), 0}).first;
    }
    Statement& query = *scan->second.statement;
    std::vector<QByteArrayView> values(fields.size());
    for (int n = 0; n < rows; ++n) {
        if (!query.step()) {
            m_textsScans.erase(scan);
            return true;
        }
        for (size_t i = 0; i < fields.size(); ++i)
            values[i] = query.columnUtf8(int(i));
        ++read.rows;
        ++scan->second.rows;
        row(values.data());
    }
    return false;
}

QVariant OrderedView::scanValue(size_t k) const
{
    return m_scan->column(int(k) + 1);
}
