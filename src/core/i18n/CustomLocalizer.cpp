#include "core/i18n/CustomLocalizer.h"

#include "core/i18n/LanguageSource.h"

TQCustomLocalizer::TQCustomLocalizer(QObject* owner) : QObject(owner), m_owner(owner)
{
    // Components of a window being destroyed are destroyed too: nothing is
    // localized on the way out.
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { m_destroying = true; });
}

TQCustomLocalizer::~TQCustomLocalizer()
{
    m_destroying = true;
    if (m_source)
        m_source->RemoveLocalizer(this);
}

int TQCustomLocalizer::SourceLanguage() const
{
    return m_source ? m_source->ActiveLanguage() : -1;
}

void TQCustomLocalizer::SetSource(TQCustomLanguageSource* source)
{
    if (ComponentTree::isLoading(this)) {
        m_pendingSource = source;
        return;
    }
    if (source != m_source) {
        if (m_source)
            m_source->RemoveLocalizer(this);
        const int oldLanguage = SourceLanguage();
        const int newLanguage = source ? source->ActiveLanguage() : -1;
        if (oldLanguage != newLanguage) {
            bool allow = true;
            LanguageChanging(newLanguage, allow);
        }
        disconnect(m_sourceWatch);
        m_source = source;
        if (oldLanguage != newLanguage)
            LanguageChanged();
        if (m_source) {
            m_sourceWatch =
                connect(m_source, &QObject::destroyed, this, &TQCustomLocalizer::sourceDestroyed);
            m_source->AddLocalizer(this);
        }
    }
    m_pendingSource = nullptr;
}

void TQCustomLocalizer::sourceDestroyed(QObject* source)
{
    // The source is past its own destructor here: only forget it.
    if (source != m_source)
        return;
    m_source = nullptr;
    m_sourceWatch = {};
    if (!m_destroying)
        Localize();
}

void TQCustomLocalizer::Save()
{
    if (m_source && m_clearBeforeSave) {
        m_source->SetSection(OwnerName());
        m_source->EraseCurrentSection();
    }
}

void TQCustomLocalizer::LanguageChanging(int languageIndex, bool& allowChange)
{
    if (OnLanguageChanging)
        OnLanguageChanging(this, languageIndex, allowChange);
}

void TQCustomLocalizer::LanguageChanged()
{
    if (OnLanguageChanged)
        OnLanguageChanged(this);
}

void TQCustomLocalizer::Loaded()
{
    if (m_pendingSource)
        SetSource(m_pendingSource);
}
