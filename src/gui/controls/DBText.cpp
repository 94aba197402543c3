#include "gui/controls/DBText.h"

TDBText::TDBText(QWidget* parent) : QLabel(parent), m_link(this)
{
    setTextFormat(Qt::PlainText);
    m_link.SetReadOnly(true);
    m_link.OnDataChange = [this] { setText(m_link.FieldText()); };
}
