#pragma once

#include "toolkit/FieldDataLink.h"

#include <QCheckBox>

class TDataSource;

// A check box bound to a text field: checked stores ValueChecked, unchecked
// stores ValueUnchecked. Any other stored value, an empty field included,
// shows the undetermined (greyed) state; a click only ever checks or unchecks.
class TDBCheckBox : public QCheckBox
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString ValueChecked READ ValueChecked WRITE SetValueChecked)
    Q_PROPERTY(QString ValueUnchecked READ ValueUnchecked WRITE SetValueUnchecked)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source) { m_link.SetDataSource(source); }
    TDataSource* DataSource() const { return m_link.DataSource(); }
    QString DataField() const { return m_link.FieldName(); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    QString ValueChecked() const { return m_valueChecked; }
    void SetValueChecked(const QString& value);
    QString ValueUnchecked() const { return m_valueUnchecked; }
    void SetValueUnchecked(const QString& value);
    bool ReadOnly() const { return m_link.ReadOnly(); }
    void SetReadOnly(bool readOnly) { m_link.SetReadOnly(readOnly); }
    FieldDataLink& Link() { return m_link; }

signals:
    void exited();

protected:
    void nextCheckState() override;

private:
    void load();
    QString stateText() const;

    FieldDataLink m_link;
    QString m_valueChecked = QStringLiteral("Ja");
    QString m_valueUnchecked = QStringLiteral("Nej");
};
