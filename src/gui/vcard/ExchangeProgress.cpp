#include "gui/vcard/ExchangeProgress.h"

#include "core/i18n/InCodeText.h"

namespace {
constexpr int Steps = 1000;
}

ExchangeProgress::ExchangeProgress(QWidget* parent, const QString& label)
    : m_dialog(label, CancelText(), 0, Steps, parent)
{
    m_dialog.setObjectName(QStringLiteral("ExchangeProgress"));
    m_dialog.setWindowTitle(QStringLiteral("Kalvindo"));
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(400);
    m_dialog.setMinimumWidth(360);
    m_dialog.setAutoReset(false);
    m_dialog.setValue(0);
}

QString ExchangeProgress::CancelText()
{
    return inCodeText({QStringLiteral("Annuller"), QStringLiteral("Cancel"),
                       QStringLiteral("Avbryt"), QStringLiteral("Avbryt"),
                       QStringLiteral("Abbrechen")});
}

ProgressCallback ExchangeProgress::Callback()
{
    return [this](qint64 done, qint64 total) {
        // A modal progress window lets the events through while it is set,
        // so that it paints and hears its Cancel button.
        m_dialog.setValue(total > 0 ? int(qMin<qint64>(Steps - 1, done * Steps / total)) : 0);
        return !m_dialog.wasCanceled();
    };
}
