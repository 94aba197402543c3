#pragma once

#include "gui/controls/FieldDataLink.h"

#include <QLineEdit>

class TDataSource;

// A one-line edit bound to a field of the current record.
class TDBEdit : public QLineEdit, public FieldBound
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBEdit(QWidget* parent = nullptr);

signals:
    // Focus left the edit; what was typed is already in the record.
    void exited();

private:
    void load();
    void onTextChanged();
    void onTextEdited();
    void dropCutHalf();

    bool m_loading = false;
};
