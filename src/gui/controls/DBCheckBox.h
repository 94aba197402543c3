#pragma once

#include "gui/controls/FieldDataLink.h"

#include <QCheckBox>

class TDataSource;

// A check box bound to a text field: checked stores ValueChecked, unchecked
// stores ValueUnchecked. Any other stored value, an empty field included,
// shows the undetermined (greyed) state; a click only ever checks or unchecks.
class TDBCheckBox : public QCheckBox, public FieldBound
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString ValueChecked READ ValueChecked WRITE SetValueChecked)
    Q_PROPERTY(QString ValueUnchecked READ ValueUnchecked WRITE SetValueUnchecked)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);

    QString ValueChecked() const { return m_valueChecked; }
    void SetValueChecked(const QString& value);
    QString ValueUnchecked() const { return m_valueUnchecked; }
    void SetValueUnchecked(const QString& value);

signals:
    void exited();

protected:
    void nextCheckState() override;

private:
    void load();
    QString stateText() const;

    QString m_valueChecked = QStringLiteral("Ja");
    QString m_valueUnchecked = QStringLiteral("Nej");
};
