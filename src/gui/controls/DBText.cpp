#include "gui/controls/DBText.h"

TDBText::TDBText(QWidget* parent) : QLabel(parent), m_link(this)
{
    setTextFormat(Qt::PlainText);
    m_link.SetReadOnly(true);
    connect(&m_link, &TFieldDataLink::dataChanged, this, [this] { setText(m_link.FieldText()); });
}
