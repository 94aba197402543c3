#include "gui/pages/CountLabel.h"

#include "core/data/DM.h"
#include "gui/controls/ControlLook.h"

#include <QLabel>

CountLabel::CountLabel(QLabel* label) : m_label(label) {}

CountLabel::~CountLabel()
{
    QObject::disconnect(m_notice);
}

void CountLabel::bind(TDM& dm)
{
    QObject::disconnect(m_notice);
    m_dm = &dm;
    m_notice = QObject::connect(&dm, &TDM::countChanged, m_label,
                                [this](const QString& text) { show(text); });
}

void CountLabel::languageChanged()
{
    if (m_dm && m_shown)
        show(m_dm->CountText());
}

void CountLabel::show(const QString& text)
{
    m_shown = true;
    m_label->setText(text);
    fitToText(m_label, sizeFor(text), m_label->alignment());
}

QSize CountLabel::sizeFor(const QString& text)
{
    const QString key = m_label->font().key() + u'\x1f' + text;
    if (const auto known = m_sizes.constFind(key); known != m_sizes.cend())
        return *known;
    if (m_sizes.size() >= 64)
        m_sizes.clear();
    return *m_sizes.insert(key, m_label->sizeHint());
}
