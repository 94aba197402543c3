#include "gui/controls/ShadowLabel.h"

#include "gui/controls/ControlLook.h"

#include <QEvent>
#include <QPainter>

TShadowLabel::TShadowLabel(QWidget* parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void TShadowLabel::SetShadowDepth(int d)
{
    m_shadowDepth = d;
    FitToText();
    update();
}

void TShadowLabel::SetAutoSize(bool on)
{
    m_autoSize = on;
    FitToText();
}

void TShadowLabel::setText(const QString& text)
{
    QLabel::setText(text);
    FitToText();
}

QSize TShadowLabel::sizeHint() const
{
    // A glyph may reach past its advance (the last letter of a bold title).
    const QFontMetrics metrics(font());
    const QRect ink = metrics.boundingRect(text());
    const int width = std::max(metrics.horizontalAdvance(text()), ink.right() + 1);
    const QMargins m = contentsMargins() + QMargins(margin(), margin(), margin(), margin());
    return QSize(width + m_shadowDepth + m.left() + m.right(),
                 metrics.height() + m_shadowDepth + m.top() + m.bottom());
}

void TShadowLabel::FitToText()
{
    if (m_autoSize)
        fitToText(this, sizeHint(), alignment());
}

void TShadowLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitToText();
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
