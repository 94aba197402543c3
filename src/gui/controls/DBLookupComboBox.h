#pragma once

#include "gui/controls/FieldDataLink.h"

#include "core/store/DataSource.h"

#include <QComboBox>
#include <QStringList>

// A drop-down list of the ListField of every record of ListSource, in the
// list table's order. Choosing an entry stores its KeyField value in
// DataField of DataSource; without a data field the list only chooses a
// KeyValue, and clicked() tells of the choice.
class TDBLookupComboBox : public QComboBox, public FieldBound
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString ListField READ ListField WRITE SetListField)
    Q_PROPERTY(QString KeyField READ KeyField WRITE SetKeyField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBLookupComboBox(QWidget* parent = nullptr);

    void SetListSource(TDataSource* source);
    TDataSource* ListSource() const { return m_listLink.LinkedSource(); }
    QString ListField() const { return m_listField; }
    void SetListField(const QString& name);
    QString KeyField() const { return m_keyField; }
    void SetKeyField(const QString& name);

    // The key of the shown entry; empty when none is shown.
    QString KeyValue() const;
    void SetKeyValue(const QString& key);
    // The keys in list order, as the drop-down offers them.
    const QStringList& Keys() const { return m_keys; }

signals:
    // The user chose an entry; a bound field already holds its key.
    void clicked();
    void exited();

protected:
    // The choice is written when it is made; leaving only tells the page.
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool bound() const { return !m_link.FieldName().isEmpty(); }
    void rebuildList();
    void showKey(const QString& key);
    void choose(int index);

    CallbackLink m_listLink;
    QString m_listField;
    QString m_keyField;
    QStringList m_keys;
    QString m_keyValue;
};
