#include "gui/controls/ShadowLabel.h"

#include <QPainter>

TShadowLabel::TShadowLabel(QWidget* parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void TShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const QRect area = contentsRect();
    const int flags = int(alignment()) | Qt::TextSingleLine;
    painter.setPen(m_shadowColor);
    painter.drawText(area.translated(m_shadowDepth, m_shadowDepth), flags, text());
    painter.setPen(m_textColor);
    painter.drawText(area, flags, text());
}
