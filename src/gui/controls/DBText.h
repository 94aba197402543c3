#pragma once

#include "gui/controls/FieldDataLink.h"

#include <QLabel>

class TDataSource;

// A read-only label showing a field of the current record.
class TDBText : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
public:
    explicit TDBText(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source) { m_link.SetDataSource(source); }
    TDataSource* DataSource() const { return m_link.DataSource(); }
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }

private:
    TFieldDataLink m_link;
};
