#include "gui/controls/FieldDataLink.h"

#include "core/store/DataSource.h"
#include "core/store/Field.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QScopeGuard>
#include <QWidget>

TFieldDataLink::TFieldDataLink(QObject* parent) : QObject(parent) {}

TFieldDataLink::~TFieldDataLink() = default;

void TFieldDataLink::SetDataSource(TDataSource* source)
{
    if (DataSource() == source)
        return;
    LinkTo(source);
    Reset();
    stateChanged();
}

void TFieldDataLink::SourceDestroyed()
{
    m_modified = false;
    dataChanged();
    stateChanged();
}

void TFieldDataLink::dataChanged()
{
    if (OnDataChange)
        OnDataChange();
}

void TFieldDataLink::stateChanged()
{
    if (OnStateChange)
        OnStateChange();
}

void TFieldDataLink::SetFieldName(const QString& name)
{
    if (m_fieldName == name)
        return;
    m_fieldName = name;
    Reset();
    stateChanged();
}

void TFieldDataLink::SetReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    stateChanged();
}

TTable* TFieldDataLink::DataSet() const
{
    return DataSource() ? DataSource()->DataSet() : nullptr;
}

bool TFieldDataLink::Active() const
{
    TTable* table = DataSet();
    return table && table->Active();
}

bool TFieldDataLink::Editing() const
{
    return Active() && DataSet()->IsEditing();
}

TField* TFieldDataLink::Field() const
{
    if (!Active() || m_fieldName.isEmpty())
        return nullptr;
    return DataSet()->FindField(m_fieldName);
}

QString TFieldDataLink::FieldText() const
{
    TField* field = Field();
    return field ? field->AsString() : QString();
}

bool TFieldDataLink::CanModify() const
{
    return !m_readOnly && Field() != nullptr;
}

bool TFieldDataLink::Edit()
{
    if (!CanModify())
        return false;
    if (!DataSet()->IsEditing())
        DataSet()->Edit();
    return DataSet()->IsEditing();
}

void TFieldDataLink::Reset()
{
    m_modified = false;
    dataChanged();
}

void TFieldDataLink::UpdateRecord()
{
    if (!m_modified || m_writing)
        return;
    TField* field = Field();
    if (!field || !ControlText) {
        m_modified = false;
        return;
    }
    const QString text = ControlText();
    if (text == field->AsString()) {
        m_modified = false;
        return;
    }
    // Text put into the control from code counts as typed: it starts the edit
    // the user would have started, rather than being lost.
    if (!Edit())
        return;
    m_writing = true;
    const auto written = qScopeGuard([this] { m_writing = false; });
    field->SetAsString(text); // when refused, the text stays in the control, still modified
    m_modified = false;
}

void TFieldDataLink::DataChange(TField* field)
{
    if (field && field->FieldName().compare(m_fieldName, Qt::CaseInsensitive) != 0)
        return;
    // Our own write tells us of the field's new value; the control already shows it.
    if (m_writing)
        return;
    Reset();
}

void TFieldDataLink::watch(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool TFieldDataLink::isModifyingKey(const QKeyEvent* event, bool multiLine)
{
    const bool plain =
        event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return plain;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return multiLine && plain;
    default:
        break;
    }
    for (auto key : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo,
                     QKeySequence::DeleteEndOfWord, QKeySequence::DeleteStartOfWord,
                     QKeySequence::DeleteEndOfLine})
        if (event->matches(key))
            return true;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

bool TFieldDataLink::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && Editing() && m_modified) {
            Reset(); // Escape takes back what was typed into this control
            return true;
        }
        if (isModifyingKey(key, m_multiLine)) {
            bool allowed = false;
            guarded([&] { allowed = Edit(); })();
            if (!allowed)
                return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A popup (menu, calendar) or another window taking focus is not leaving the control.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            guarded([this] { onFocusOut(); })();
    }
    return QObject::eventFilter(watched, event);
}

void TFieldDataLink::onFocusOut()
{
    UpdateRecord();
    emit exited();
}
