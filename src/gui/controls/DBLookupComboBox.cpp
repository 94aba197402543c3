#include "gui/controls/DBLookupComboBox.h"

#include "core/store/DataSource.h"
#include "core/store/Field.h"
#include "core/store/Table.h"
#include "core/util/Dialogs.h"

#include <QFocusEvent>

TDBLookupComboBox::TDBLookupComboBox(QWidget* parent) : QComboBox(parent), FieldBound(this)
{
    setEditable(false);
    m_link.ControlText = [this] { return KeyValue(); };
    m_link.OnDataChange = [this] {
        if (bound())
            showKey(m_link.FieldText());
    };
    // The list follows the list table: posts, deletes, opening and closing.
    m_listLink.stateChange = m_listLink.viewChange =
        m_listLink.sourceDestroyed = [this] { rebuildList(); };
    connect(&m_link, &TFieldDataLink::exited, this, &TDBLookupComboBox::exited);
    connect(this, &QComboBox::activated, this, &TDBLookupComboBox::choose);
}

void TDBLookupComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        guarded([this] { emit exited(); })();
}

void TDBLookupComboBox::SetListSource(TDataSource* source)
{
    if (ListSource() == source)
        return;
    m_listLink.LinkTo(source);
    rebuildList();
}

void TDBLookupComboBox::SetListField(const QString& name)
{
    m_listField = name;
    rebuildList();
}

void TDBLookupComboBox::SetKeyField(const QString& name)
{
    m_keyField = name;
    rebuildList();
}

void TDBLookupComboBox::rebuildList()
{
    TTable* table = ListSource() ? ListSource()->DataSet() : nullptr;
    const QString shown = bound() ? m_link.FieldText() : m_keyValue;
    QStringList texts;
    m_keys.clear();
    if (table && table->Active()) {
        TField* list = table->FindField(m_listField.isEmpty() ? m_keyField : m_listField);
        TField* key = table->FindField(m_keyField.isEmpty() ? m_listField : m_keyField);
        if (list && key) {
            for (const QString& t : table->ColumnInOrder(list->Index()))
                texts << t;
            for (const QString& k : table->ColumnInOrder(key->Index()))
                m_keys << k;
        }
    }
    const QSignalBlocker block(this);
    clear();
    addItems(texts);
    showKey(shown);
}

void TDBLookupComboBox::showKey(const QString& key)
{
    m_keyValue = key;
    const QSignalBlocker block(this);
    setCurrentIndex(key.isEmpty() ? -1 : int(m_keys.indexOf(key)));
}

QString TDBLookupComboBox::KeyValue() const
{
    return m_keyValue;
}

void TDBLookupComboBox::SetKeyValue(const QString& key)
{
    showKey(key);
}

void TDBLookupComboBox::choose(int index)
{
    if (index < 0 || index >= m_keys.size())
        return;
    const QString key = m_keys.at(index);
    bool ok = true;
    if (bound()) {
        guarded([&] {
            ok = m_link.Edit();
            if (ok) {
                m_keyValue = key;
                m_link.Modified();
                m_link.UpdateRecord();
            }
        })();
        if (!ok || m_link.FieldText() != key) {
            showKey(m_link.FieldText()); // refused: show what the record holds
            return;
        }
        showKey(key);
    } else {
        showKey(key);
    }
    guarded([this] { emit clicked(); })();
}
