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
    fitToText(m_label, m_label->sizeHint(), m_label->alignment());
}
