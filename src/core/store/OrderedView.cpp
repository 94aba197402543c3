#include "core/store/OrderedView.h"

#include "core/store/Connection.h"

namespace {

using Schema::quoted;

// Rows kept for grids before the cache is dropped and read again.
constexpr int RowCacheLimit = 4000;

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
    reset();
    m_stale = true;
}

void OrderedView::close()
{
    reset();
    m_selectRow.reset();
    m_connection = nullptr;
    ++m_version;
}

void OrderedView::reset()
{
    m_scan.reset();
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

std::unique_ptr<Statement> OrderedView::select(const QString& columns, const QString& condition,
                                               const QVariantList& conditionParams,
                                               const QString& tail)
{
    QVariantList params;
    QString where = m_condition(params);
    if (!condition.isEmpty())
        where = QStringLiteral("(%1) AND (%2)").arg(where, condition);
    params += conditionParams;
    auto statement = std::make_unique<Statement>(
        *m_connection, QStringLiteral("SELECT %1 FROM %2 WHERE %3%4")
                           .arg(columns, m_connection->qualified(m_table->name), where, tail));
    for (int i = 0; i < params.size(); ++i)
        statement->bind(i + 1, params[i]);
    return statement;
}

void OrderedView::invalidate()
{
    reset();
    m_stale = true;
    ++m_version;
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
    m_scan = select(columns, {}, {}, QStringLiteral(" ORDER BY ") + orderClause());
    ++m_version;
}

bool OrderedView::ensureRow(int index)
{
    if (index < 0)
        return false;
    if (m_stale)
        rebuild();
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
    if (m_count < 0) {
        auto query = select(QStringLiteral("count(*)"), {}, {}, {});
        m_count = query->step() ? query->columnInt64(0) : 0;
    }
    return m_count;
}

bool OrderedView::passes(qint64 rowid)
{
    return select(QStringLiteral("1"), QStringLiteral("rowid = ?"), {QVariant(rowid)}, {})->step();
}

qint64 OrderedView::firstMatch(const QString& condition, const QVariantList& params)
{
    auto query = select(QStringLiteral("rowid"), condition, params,
                        QStringLiteral(" ORDER BY ") + orderClause() + QStringLiteral(" LIMIT 1"));
    return query->step() ? query->columnInt64(0) : -1;
}

qint64 OrderedView::lastRowid()
{
    auto query =
        select(QStringLiteral("rowid"), {}, {},
               QStringLiteral(" ORDER BY ") + orderClause(true) + QStringLiteral(" LIMIT 1"));
    return query->step() ? query->columnInt64(0) : -1;
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
    auto it = m_rowCache.find(rowid);
    if (it == m_rowCache.end()) {
        if (m_rowCache.size() >= RowCacheLimit)
            m_rowCache.clear();
        it = m_rowCache.insert(rowid, readRow(rowid));
    }
    return it.value()[size_t(field)];
}

std::vector<QString> OrderedView::column(int field)
{
    std::vector<QString> values;
    texts({field}, [&](const QString* text) { values.push_back(text[0]); });
    return values;
}

void OrderedView::texts(const std::vector<int>& fields,
                        const std::function<void(const QString*)>& row)
{
    QStringList columns;
    for (int field : fields)
        columns << quoted(m_table->fields[size_t(field)].name);
    auto query = select(columns.join(u','), {}, {}, QStringLiteral(" ORDER BY ") + orderClause());
    std::vector<QString> values(fields.size());
    while (query->step()) {
        for (size_t i = 0; i < fields.size(); ++i)
            values[i] = query->columnText(int(i));
        row(values.data());
    }
}

QVariant OrderedView::scanValue(size_t k) const
{
    return m_scan->column(int(k) + 1);
}
