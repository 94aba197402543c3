#include "gui/windows/FormShaper.h"

#include "core/shape/FormShape.h"

#include <QScopeGuard>
#include <QWidget>

TFormShaper::TFormShaper(QObject* owner) : QObject(owner) {}

TFormShaper::~TFormShaper() = default;

QWidget* TFormShaper::Target() const
{
    if (m_control)
        return m_control;
    return qobject_cast<QWidget*>(parent());
}

void TFormShaper::SetActive(bool active)
{
    QWidget* target = Target();
    if (!target)
        return;
    if (!active) {
        target->clearMask();
        m_applied = false;
        return;
    }
    if (m_data.isEmpty() || m_applied)
        return;
    m_applied = true;
    const QList<QRect> rects = FormShape::rectangles(m_data);
    m_region = QRegion();
    m_region.setRects(rects.constData(), int(rects.size()));
    target->setMask(m_region);
}

void TFormShaper::SetControlToShape(QWidget* control)
{
    if (m_applied)
        SetActive(false);
    disconnect(m_controlGone);
    m_control = control;
    if (control)
        m_controlGone = connect(control, &QObject::destroyed, this, [this] {
            m_control = nullptr;
            m_applied = false;
        });
}

QByteArray TFormShaper::Shape() const
{
    return FormShape::write(m_data);
}

void TFormShaper::RemoveShape()
{
    if (QWidget* target = Target())
        target->clearMask();
    m_applied = false;
    m_data.clear();
    m_region = QRegion();
}

void TFormShaper::SetShape(const QByteArray& stream)
{
    // A stream that cannot be read leaves no shape behind, not half of one.
    auto noShape = qScopeGuard([this] { RemoveShape(); });
    QByteArray data = FormShape::read(stream);
    if (data.isEmpty())
        return;
    noShape.dismiss();
    m_data = std::move(data);
}
