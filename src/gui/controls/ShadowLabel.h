#pragma once

#include <QLabel>

// A label whose text carries a drop shadow: the text is drawn once in the
// shadow colour, offset by the shadow depth, and once in the label's colour.
// With AutoSize on (the default) it takes the size of its text and shadow in
// the font it has, whatever font the system gives for the one asked for.
class TShadowLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    // Declared anew so that a caption set by name (a translation) sizes the label too.
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit TShadowLabel(QWidget* parent = nullptr);
    QColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(const QColor& c)
    {
        m_shadowColor = c;
        update();
    }
    int ShadowDepth() const { return m_shadowDepth; }
    void SetShadowDepth(int d);
    QColor TextColor() const { return m_textColor; }
    void SetTextColor(const QColor& c)
    {
        m_textColor = c;
        update();
    }
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool on);
    // Hides QLabel's, which nothing could hear.
    void setText(const QString& text);

    // The text's whole width and height in the label's font, shadow included.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToText();

    QColor m_shadowColor = Qt::gray;
    QColor m_textColor = QColor(0, 0, 128);
    int m_shadowDepth = 2;
    bool m_autoSize = true;
};
