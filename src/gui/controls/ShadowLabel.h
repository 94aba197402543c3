#pragma once

#include <QLabel>

// A label whose text carries a drop shadow: the text is drawn once in the
// shadow colour, offset by the shadow depth, and once in the label's colour.
class TShadowLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth)
public:
    explicit TShadowLabel(QWidget* parent = nullptr);
    QColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(const QColor& c)
    {
        m_shadowColor = c;
        update();
    }
    int ShadowDepth() const { return m_shadowDepth; }
    void SetShadowDepth(int d)
    {
        m_shadowDepth = d;
        update();
    }
    QColor TextColor() const { return m_textColor; }
    void SetTextColor(const QColor& c)
    {
        m_textColor = c;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_shadowColor = Qt::gray;
    QColor m_textColor = QColor(0, 0, 128);
    int m_shadowDepth = 2;
};
