#pragma once

#include "core/store/DataLink.h"
#include "core/store/DataSource.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QString>

#include <vector>

class TDBGridColumns;
class TTable;

// The rows of a grid over a table cursor, read lazily: only the rows a view
// asks for are read, through TTable::DisplayTextAt, so a large table opens
// at once. A record being inserted shows as an extra row at the cursor.
class DBGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DBGridModel(QObject* parent = nullptr);

    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return m_link.LinkedSource(); }
    TTable* DataSet() const;
    // The columns to show; null or empty shows every field.
    void SetColumns(const TDBGridColumns* columns);
    // New titles of the columns first to last: the header shows them once
    // told, nothing is read again.
    void ColumnTitlesChanged(int first, int last, bool tellHeader);
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Shows the record about to be inserted below the last row instead of at
    // the cursor, for as long as that insert lasts.
    void SetAppending(bool appending);
    // Until its grid is first shown the model has no rows: counting the
    // records of a large table is the dearest thing a grid does at start,
    // and a grid on a page the user never opens need not do it. A model
    // without a grid counts from the start.
    void SetShownYet(bool shown);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The grid row of the cursor's record, -1 when there is none.
    int CurrentRow() const;
    // The table's record index of a grid row; -1 for the row being inserted.
    int RecordIndex(int row) const;
    // The field index of a column, -1 when the field is unknown.
    int FieldIndex(int column) const;
    // Width in pixels a column asked for; 0 for the field's default.
    int ColumnWidth(int column) const;
    // Display width of the field in characters, for default column widths.
    int FieldDisplayChars(int column) const;

    // Rows read from the table since the last reset, for checking laziness.
    int RowsRead() const { return m_rowsRead; }

    void reload();

private:
    struct Column
    {
        QString fieldName;
        QString title;
        int width = 0;
        int field = -1;
    };
    void buildColumns();
    int insertRow() const; // grid row of the record being inserted, -1 if none

    CallbackLink m_link;
    QPointer<const TDBGridColumns> m_columnSpec;
    std::vector<Column> m_columns;
    bool m_readOnly = false;
    bool m_appending = false;
    bool m_shownYet = true;
    mutable int m_rowsRead = 0;
    mutable int m_lastRowRead = -1;
};
