#include "gui/controls/DBCheckBox.h"

#include "core/util/Dialogs.h"

TDBCheckBox::TDBCheckBox(QWidget* parent) : QCheckBox(parent), FieldBound(this)
{
    setTristate(true);
    m_link.ControlText = [this] { return stateText(); };
    m_link.watch(this);
    m_link.OnDataChange = [this] { load(); };
    connect(&m_link, &TFieldDataLink::exited, this, &TDBCheckBox::exited);
    load();
}

void TDBCheckBox::SetValueChecked(const QString& value)
{
    m_valueChecked = value;
    load();
}

void TDBCheckBox::SetValueUnchecked(const QString& value)
{
    m_valueUnchecked = value;
    load();
}

void TDBCheckBox::load()
{
    const QString value = m_link.FieldText();
    if (m_link.Field() && value == m_valueChecked)
        setCheckState(Qt::Checked);
    else if (m_link.Field() && value == m_valueUnchecked)
        setCheckState(Qt::Unchecked);
    else
        setCheckState(Qt::PartiallyChecked);
}

QString TDBCheckBox::stateText() const
{
    switch (checkState()) {
    case Qt::Checked:
        return m_valueChecked;
    case Qt::Unchecked:
        return m_valueUnchecked;
    case Qt::PartiallyChecked:
        break;
    }
    return m_link.FieldText();
}

// A click (or the space bar) starts the edit and writes the new mark at once,
// so that other controls on the same field see it immediately.
void TDBCheckBox::nextCheckState()
{
    guarded([this] {
        if (!m_link.Edit())
            return;
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        m_link.Modified();
        m_link.UpdateRecord();
    })();
}
