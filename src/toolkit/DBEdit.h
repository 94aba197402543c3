#pragma once

#include "toolkit/FieldDataLink.h"

#include <QLineEdit>

class TDataSource;

// A one-line edit bound to a field of the current record.
class TDBEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBEdit(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source) { m_link.SetDataSource(source); }
    TDataSource* DataSource() const { return m_link.DataSource(); }
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool readOnly) { m_link.SetReadOnly(readOnly); }
    FieldDataLink& Link() { return m_link; }

signals:
    // Focus left the edit; what was typed is already in the record.
    void exited();

private:
    void load();
    void onTextChanged();
    void onTextEdited();

    FieldDataLink m_link;
    bool m_loading = false;
};
