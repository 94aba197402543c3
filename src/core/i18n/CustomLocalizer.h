#pragma once

#include "core/component/ComponentTree.h"
#include "core/i18n/LanguageEvents.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include "core/i18n/LanguageSource.h"

// What a language source needs of the localizers registered with it: told
// before and after a change, and asked to apply the active language. The
// owner is the window the localizer serves (its QObject parent).
class TQCustomLocalizer : public QObject, public TLoadable
{
    Q_OBJECT

public:
    explicit TQCustomLocalizer(QObject* owner);
    ~TQCustomLocalizer() override;

    TQCustomLanguageSource* Source() const { return m_source; }
    // While the window is being loaded the source is only kept as pending and
    // set when loading ends. Otherwise a different source is switched to:
    // unregister from the old one, tell of the language change the switch
    // makes, register with the new one (which localizes when a language is active).
    void SetSource(TQCustomLanguageSource* source);
    TQCustomLanguageSource* PendingSource() const { return m_pendingSource; }

    bool ClearBeforeSave() const { return m_clearBeforeSave; }
    void SetClearBeforeSave(bool clear) { m_clearBeforeSave = clear; }

    // The allow flag of this event has no effect.
    TQLangChangingEvent OnLanguageChanging;
    TNotifyEvent OnLanguageChanged;

    // Applies the active language to the window.
    virtual void Localize() = 0;
    // Erases the window's section first when ClearBeforeSave is set.
    virtual void Save();
    virtual void LanguageChanging(int languageIndex, bool& allowChange);
    virtual void LanguageChanged();

    void Loaded() override;

protected:
    QObject* Owner() const { return m_owner; }
    QString OwnerName() const { return m_owner ? m_owner->objectName() : QString(); }
    // True once the owning window or the localizer itself is being destroyed.
    bool IsDestroying() const { return m_destroying; }
    // The active language of the source, -1 without one.
    int SourceLanguage() const;

private:
    void sourceDestroyed(QObject* source);

    QObject* m_owner;
    TQCustomLanguageSource* m_source = nullptr;
    QPointer<TQCustomLanguageSource> m_pendingSource;
    QMetaObject::Connection m_sourceWatch;
    bool m_clearBeforeSave = false;
    bool m_destroying = false;
};
