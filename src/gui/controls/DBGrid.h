#pragma once

#include "core/component/GridColumns.h"
#include "core/store/DataLink.h"

#include <QTableView>

class DBGridModel;
class TDataSource;
class TTable;

// A grid of the records of a data source: one row a record in the table's
// order, the cursor's record as the current row. Selecting a row moves the
// cursor; editing a cell (when not ReadOnly) starts an edit of that record.
// What is typed into an open cell reaches the record before every post,
// whoever posts. Arrow down on the last row, and typing into an empty grid,
// start a new record.
class TDBGrid : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const;
    // The columns shown; with none, every field of the table is a column.
    TDBGridColumns* Columns() { return &m_columns; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    // A grid shows whole records; kept so that every data control takes
    // the same properties from a form.
    QString DataField() const { return QString(); }
    void SetDataField(const QString&) {}
    DBGridModel* gridModel() const { return m_model; }

signals:
    void dblClick();
    // Every key pressed in the grid or in its cell editor, before the grid handles it.
    void keyDown(QKeyEvent* event);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class DBGridDelegate;
    TTable* table() const;
    void applyColumnWidths();
    void syncToCursor();
    void askDelete();
    void editorKey(QKeyEvent* event);
    // Writes the text of an open cell editor into the record.
    void commitEditor();
    bool startsNewRow(const QKeyEvent* event);
    void appendRow();

    TDBGridColumns m_columns;
    DBGridModel* m_model;
    CallbackLink m_cursorLink; // the current row follows the cursor
    bool m_readOnly = false;
    bool m_syncing = false;
    bool m_syncPending = false; // the cursor moved while the grid was hidden
    // Titles changed while the grid was hidden (a language switch): the
    // header lays itself out for them when the grid is next shown.
    void columnTitlesChanged(int first, int last);
    ColumnSpan m_titlesPending;
};
