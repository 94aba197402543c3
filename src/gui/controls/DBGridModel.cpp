#include "gui/controls/DBGridModel.h"

#include "core/component/GridColumns.h"
#include "core/store/DataSource.h"
#include "core/store/Field.h"
#include "core/store/Table.h"

#include <algorithm>

DBGridModel::DBGridModel(QObject* parent) : QAbstractTableModel(parent)
{
    // A change of state adds or removes the row being inserted, and an
    // opened table brings its fields: read everything again, as after a
    // change of the order, the filter or the stored records.
    m_link.stateChange = [this] {
        TTable* table = DataSet();
        if (!table || table->State() != DataSetState::Insert)
            m_appending = false;
        reload();
    };
    m_link.viewChange = m_link.sourceDestroyed = [this] { reload(); };
    m_link.dataChange = [this](TField* field) {
        if (!field)
            return;
        const int row = CurrentRow();
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    };
}

void DBGridModel::SetDataSource(TDataSource* source)
{
    if (DataSource() == source)
        return;
    m_link.LinkTo(source);
    reload();
}

TTable* DBGridModel::DataSet() const
{
    TTable* table = DataSource() ? DataSource()->DataSet() : nullptr;
    return table && table->Active() ? table : nullptr;
}

void DBGridModel::SetColumns(const TDBGridColumns* columns)
{
    m_columnSpec = columns;
    reload();
}

void DBGridModel::ColumnTitlesChanged(int first, int last, bool tellHeader)
{
    if (!m_columnSpec)
        return;
    first = std::max(first, 0);
    last = std::min({last, m_columnSpec->Count() - 1, int(m_columns.size()) - 1});
    if (first > last)
        return;
    for (int column = first; column <= last; ++column)
        m_columns[size_t(column)].title = m_columnSpec->Items(column)->Title();
    if (tellHeader)
        emit headerDataChanged(Qt::Horizontal, first, last);
}

void DBGridModel::SetAppending(bool appending)
{
    if (appending == m_appending)
        return;
    m_appending = appending;
    if (insertRow() >= 0)
        reload(); // the row being inserted moves
}

void DBGridModel::SetShownYet(bool shown)
{
    if (shown == m_shownYet)
        return;
    beginResetModel();
    m_shownYet = shown;
    endResetModel();
}

void DBGridModel::reload()
{
    beginResetModel();
    buildColumns();
    m_rowsRead = 0;
    m_lastRowRead = -1;
    endResetModel();
}

void DBGridModel::buildColumns()
{
    m_columns.clear();
    TTable* table = DataSet();
    if (m_columnSpec && m_columnSpec->Count() > 0) {
        for (int i = 0; i < m_columnSpec->Count(); ++i) {
            const TColumn* c = m_columnSpec->Items(i);
            TField* f = table ? table->FindField(c->FieldName()) : nullptr;
            m_columns.push_back({c->FieldName(), c->Title(), c->Width(), f ? f->Index() : -1});
        }
    } else if (table) {
        for (int i = 0; i < table->FieldCount(); ++i)
            m_columns.push_back(
                {table->Fields(i).FieldName(), table->Fields(i).DisplayLabel(), 0, i});
    }
}

int DBGridModel::insertRow() const
{
    TTable* table = DataSet();
    if (!table || table->State() != DataSetState::Insert)
        return -1;
    return m_appending ? table->RecordCount() : std::max(table->CurrentIndex(), 0);
}

int DBGridModel::rowCount(const QModelIndex& parent) const
{
    TTable* table = DataSet();
    if (parent.isValid() || !table || !m_shownYet)
        return 0;
    return table->RecordCount() + (insertRow() >= 0 ? 1 : 0);
}

int DBGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

int DBGridModel::CurrentRow() const
{
    TTable* table = DataSet();
    if (!table)
        return -1;
    const int inserting = insertRow();
    return inserting >= 0 ? inserting : table->CurrentIndex();
}

int DBGridModel::RecordIndex(int row) const
{
    const int inserting = insertRow();
    if (inserting < 0 || row < inserting)
        return row;
    return row == inserting ? -1 : row - 1;
}

int DBGridModel::FieldIndex(int column) const
{
    return column >= 0 && size_t(column) < m_columns.size() ? m_columns[size_t(column)].field : -1;
}

int DBGridModel::ColumnWidth(int column) const
{
    return column >= 0 && size_t(column) < m_columns.size() ? m_columns[size_t(column)].width : 0;
}

int DBGridModel::FieldDisplayChars(int column) const
{
    TTable* table = DataSet();
    const int field = FieldIndex(column);
    if (!table || field < 0)
        return 10;
    const FieldDefinition& def = table->Definition()->fields[size_t(field)];
    switch (def.type) {
    case FieldType::Integer:
    case FieldType::Date:
        return 10;
    case FieldType::Memo:
        return 20;
    case FieldType::Text:
        break;
    }
    return def.size > 0 ? std::clamp(def.size, 4, 40) : 20;
}

QVariant DBGridModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    TTable* table = DataSet();
    const int field = FieldIndex(index.column());
    if (!table || field < 0 || !index.isValid())
        return {};
    const int record = RecordIndex(index.row());
    if (record < 0)
        return table->Fields(field).AsString(); // the record being inserted
    if (index.row() != m_lastRowRead) {
        m_lastRowRead = index.row();
        ++m_rowsRead;
    }
    return table->DisplayTextAt(record, field);
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        size_t(section) >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_columns[size_t(section)].title;
}

Qt::ItemFlags DBGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!m_readOnly && FieldIndex(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

// The editor writes into the cursor's record: the grid has made the row
// current and started the edit before the editor opened.
bool DBGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    TTable* table = DataSet();
    const int field = FieldIndex(index.column());
    if (role != Qt::EditRole || !table || field < 0 || m_readOnly || index.row() != CurrentRow())
        return false;
    TField& f = table->Fields(field);
    const QString text = value.toString();
    if (text == f.AsString())
        return true;
    if (!table->IsEditing())
        table->Edit();
    table->Fields(field).SetAsString(text);
    return true;
}
