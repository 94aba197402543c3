#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QRegion>

class QWidget;

// Gives a window the outline of its stored shape: only the rectangles of the
// shape are visible, the rest of the window is cut away. The shape is kept
// as region data (FormShape) and applied as the window's mask.
class TFormShaper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(QWidget* ControlToShape READ ControlToShape WRITE SetControlToShape)
    Q_PROPERTY(QByteArray Shape READ Shape WRITE SetShape)
public:
    // Shapes its owner unless told another window.
    explicit TFormShaper(QObject* owner);
    ~TFormShaper() override;
    TFormShaper(const TFormShaper&) = delete;
    TFormShaper& operator=(const TFormShaper&) = delete;

    // Whether the shape is applied to the target window. Switching it on
    // without a target or without a shape changes nothing.
    bool Active() const { return m_applied; }
    void SetActive(bool active);

    // The window to shape; the owner when none is set. A new target is
    // shaped only when Active is switched on again.
    QWidget* ControlToShape() const { return m_control; }
    void SetControlToShape(QWidget* control);

    // The stored shape as a stream (a copy; no bytes without a shape).
    QByteArray Shape() const;
    // Loads a shape from a stream without applying it; an empty stream
    // removes the shape. A stream that cannot be read removes the shape too
    // and throws EFormShapeError.
    void SetShape(const QByteArray& stream);

    qint32 DataSize() const { return qint32(m_data.size()); }
    // The region last built from the data and handed to the target.
    const QRegion& Region() const { return m_region; }

private:
    QWidget* Target() const;
    void RemoveShape();

    QByteArray m_data;
    QRegion m_region;
    QPointer<QWidget> m_control;
    QMetaObject::Connection m_controlGone;
    bool m_applied = false;
};
