#include "gui/controls/DBGrid.h"

#include "core/store/DataSource.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"
#include "gui/controls/ControlLook.h"
#include "gui/controls/DBGridModel.h"

#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QStyledItemDelegate>

#include <algorithm>
#include <utility>

// Writes the cell editor's text through the model and shows a refused value
// in the error box instead of letting the exception into the view. Enter in
// the editor also reaches the grid's keyDown, as the grid's own key would.
class DBGridDelegate : public QStyledItemDelegate
{
public:
    explicit DBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        guarded([&] { QStyledItemDelegate::setModelData(editor, model, index); })();
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                m_grid->editorKey(key);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TDBGrid* m_grid;
};

namespace {

// Column titles whose height is measured once for the titles they show. Qt
// measures every title again (shaping its text) after each reset of the
// model, and a grid's model is reset by every filter, order and "Vis alle",
// while its titles stay the same.
class GridHeader : public QHeaderView
{
public:
    explicit GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
    {
        // As the table view's own header is.
        setSectionsClickable(true);
    }

    QSize sizeHint() const override
    {
        // A reset passes through a header without sections: two entries
        // are the usual, the cap is for a grid whose columns are changed.
        const QString shown = titles();
        if (const auto known = m_hints.constFind(shown); known != m_hints.cend())
            return *known;
        if (m_hints.size() >= 8)
            m_hints.clear();
        return *m_hints.insert(shown, QHeaderView::sizeHint());
    }

protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_hints.clear();
        QHeaderView::changeEvent(event);
    }

private:
    // The titles of the sections shown, each ended by a unit separator.
    QString titles() const
    {
        QString result;
        if (const QAbstractItemModel* source = model())
            for (int section = 0; section < count(); ++section) {
                if (!isSectionHidden(section))
                    result += source->headerData(section, orientation()).toString();
                result += u'\x1f';
            }
        return result;
    }

    mutable QHash<QString, QSize> m_hints; // by the titles shown
};

} // namespace

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), m_columns(this), m_model(new DBGridModel(this))
{
    setWhiteBackground(this);
    setHorizontalHeader(new GridHeader(this));
    m_model->SetShownYet(false);
    setModel(m_model);
    setItemDelegate(new DBGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide(); // the selected row marks the current record
    horizontalHeader()->setHighlightSections(false);
    SetReadOnly(false);
    connect(&m_columns, &TDBGridColumns::changed, this,
            [this] { m_model->SetColumns(&m_columns); });
    connect(&m_columns, &TDBGridColumns::titlesChanged, this, &TDBGrid::columnTitlesChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        syncToCursor();
    });
    m_model->SetColumns(&m_columns);
    m_cursorLink.dataChange = [this](TField* field) {
        if (!field)
            syncToCursor();
    };
    // The open cell is written before every post.
    m_cursorLink.updateRecord = [this] { commitEditor(); };
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetDataSource(TDataSource* source)
{
    m_cursorLink.LinkTo(source);
    m_model->SetDataSource(source);
}

TDataSource* TDBGrid::DataSource() const
{
    return m_model->DataSource();
}

TTable* TDBGrid::table() const
{
    return m_model->DataSet();
}

void TDBGrid::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_model->SetReadOnly(readOnly);
    setEditTriggers(readOnly ? NoEditTriggers : (DoubleClicked | EditKeyPressed | AnyKeyPressed));
}

void TDBGrid::applyColumnWidths()
{
    // Digits are the widest common characters of dates and phone numbers.
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int width = m_model->ColumnWidth(c);
        setColumnWidth(c, width > 0 ? width : m_model->FieldDisplayChars(c) * charWidth + 12);
    }
}

// Shows the cursor's record as the current row, without moving the cursor back.
void TDBGrid::syncToCursor()
{
    if (m_syncing)
        return;
    // A grid on a page not shown follows the cursor when it is shown: the
    // place of a record just posted is found by stepping the order to it.
    if (!isVisibleTo(window())) {
        m_syncPending = true;
        return;
    }
    m_syncPending = false;
    const int row = m_model->CurrentRow();
    m_syncing = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const int column = std::max(currentIndex().column(), 0);
        const QModelIndex target = m_model->index(row, column);
        if (currentIndex() != target)
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
        else if (!selectionModel()->isRowSelected(row, {}))
            selectionModel()->select(target, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
        scrollTo(target);
    }
    m_syncing = false;
}

void TDBGrid::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    m_model->SetShownYet(true); // its reset brings the grid to the cursor
    if (!m_titlesPending.isEmpty()) {
        const ColumnSpan pending = std::exchange(m_titlesPending, {});
        m_model->ColumnTitlesChanged(pending.first, pending.last, true);
    }
    if (m_syncPending)
        syncToCursor();
}

void TDBGrid::columnTitlesChanged(int first, int last)
{
    const bool shown = isVisible();
    m_model->ColumnTitlesChanged(first, last, shown);
    if (shown)
        return;
    m_titlesPending.add(first, last);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid() || current.row() == previous.row() || !table())
        return;
    const int record = m_model->RecordIndex(current.row());
    if (record < 0)
        return;
    // Leaving the row being inserted may post it or drop it; the model then
    // resets and syncToCursor puts the selection where the cursor is.
    guarded([this, record] { table()->MoveToIndex(record); })();
    syncToCursor();
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (m_readOnly || !index.isValid() || !table() || trigger == NoEditTriggers ||
        state() == EditingState)
        return QTableView::edit(index, trigger, event);
    if (!(editTriggers() & trigger) && trigger != AllEditTriggers)
        return QTableView::edit(index, trigger, event);
    bool editing = false;
    const int column = index.column();
    guarded([&] {
        if (index.row() != m_model->CurrentRow())
            table()->MoveToIndex(m_model->RecordIndex(index.row()));
        table()->Edit(); // on an empty table this is an insert, which adds its row
        editing = table()->IsEditing();
    })();
    if (!editing)
        return false;
    return QTableView::edit(m_model->index(m_model->CurrentRow(), column), trigger, event);
}

void TDBGrid::commitEditor()
{
    // Buttons elsewhere (a navigator's) take no focus from the editor, so
    // nothing else would write what it holds before their post.
    if (state() != EditingState)
        return;
    const int row = m_model->CurrentRow();
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (QWidget* editor = indexWidget(m_model->index(row, c)))
            commitData(editor);
}

bool TDBGrid::startsNewRow(const QKeyEvent* event)
{
    if (m_readOnly || !table())
        return false;
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier)
        return currentIndex().row() == m_model->rowCount() - 1;
    // A printable key typed into an empty grid is the first letter of a new record.
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    return plain && !event->text().isEmpty() && event->text()[0].isPrint() &&
           !table()->IsEditing() && table()->IsEmpty();
}

void TDBGrid::appendRow()
{
    TTable& t = *table();
    commitEditor();
    // A new row into which nothing was typed waits for its text.
    if (t.State() == DataSetState::Insert && !t.Modified())
        return;
    t.CheckBrowseMode();
    m_model->SetAppending(true);
    auto undo = qScopeGuard([this] { m_model->SetAppending(false); });
    t.Insert();
    undo.dismiss();
}

void TDBGrid::editorKey(QKeyEvent* event)
{
    emit keyDown(event);
    setFocus(Qt::OtherFocusReason);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    emit keyDown(event);
    if (event->isAccepted() && event->key() == Qt::Key_Escape && table() && table()->IsEditing()) {
        guarded([this] { table()->Cancel(); })();
        return;
    }
    if (!m_readOnly && table() && event->key() == Qt::Key_Delete &&
        event->modifiers() == Qt::ControlModifier) {
        askDelete();
        return;
    }
    if (!m_readOnly && table() && event->key() == Qt::Key_Insert &&
        event->modifiers() == Qt::NoModifier) {
        guarded([this] { table()->Insert(); })();
        return;
    }
    if (startsNewRow(event)) {
        guarded([this] { appendRow(); })();
        // A letter goes on into the new row's editor.
        if (event->key() == Qt::Key_Down)
            return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::askDelete()
{
    guarded([this] {
        if (table()->IsEmpty())
            return;
        if (Dialogs::instance().message(MessageKind::Confirmation,
                                        QStringLiteral("Slet denne post?"), Ok | Cancel) == Ok)
            table()->Delete();
    })();
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    guarded([this] { emit dblClick(); })();
}
