#pragma once

#include "core/i18n/CustomLocalizer.h"
#include "gui/controls/ComponentModel.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

enum TQSaveOption : int
{
    soSaveEmpty = 0x1,               // capture and save empty texts too
    soIgnoreDependencyIfEmpty = 0x2, // an empty stand-in falls back to the property itself
    soIncludeFrames = 0x4            // accepted; changes nothing
};
using TQSaveOptions = int;

class LocalizerPlan;

// (Sender, Obj, PropName, var NewValue, var Allow): before a property is set or saved.
using TQPropProcessingEvent = std::function<void(
    QObject* sender, QObject* object, const QString& propName, QString& newValue, bool& allow)>;
// (Sender, Obj, PropName, Value): after a property has been handled or saved.
using TQPropProcessedEvent = std::function<void(QObject* sender, QObject* object,
                                                const QString& propName, const QString& value)>;

// Translates one window. When a language becomes active it reads the window's
// section of the language file (keys such as "TabSheet6.Caption") and writes
// each text into the property it names; before the first translation it
// captures the window's original texts into Originals, and when the original
// language is active again it puts them back. It also gives every component
// of the window the language's character set and text direction.
//
// Everything is found by name at run time through the component model; the
// localizer knows nothing of the windows it serves. One per window.
class TQFormLocalizer : public TQCustomLocalizer
{
    Q_OBJECT

public:
    // The owning window is required, and may hold only one form localizer.
    explicit TQFormLocalizer(QObject* owner);
    ~TQFormLocalizer() override;

    const QStringList& PropNames() const { return m_propNames; }
    // With a language active, names that leave the list get their original
    // texts back and names that join it have their current texts captured.
    void SetPropNames(const QStringList& names);
    // Original texts as key=value lines, values encoded as in a language file.
    const QStringList& Originals() const { return m_originals; }
    void SetOriginals(const QStringList& originals);
    // name=path lines: a dotted path to a sub-object's property that stands in
    // for the named property.
    const QStringList& Dependencies() const { return m_dependencies; }
    void SetDependencies(const QStringList& dependencies);
    // Component paths skipped when capturing and saving; whole keys skipped
    // when applying a language.
    const QStringList& Excluded() const { return m_excluded; }
    void SetExcluded(const QStringList& excluded);
    TQSaveOptions SaveOptions() const { return m_saveOptions; }
    void SetSaveOptions(TQSaveOptions options) { m_saveOptions = options; }

    TQPropProcessingEvent OnPropertyLocalizing;
    TQPropProcessedEvent OnPropertyLocalized;
    TQPropProcessingEvent OnPropertySaving;
    TQPropProcessedEvent OnPropertySaved;

    void Localize() override;
    void Save() override;
    void LanguageChanging(int languageIndex, bool& allowChange) override;
    void LanguageChanged() override;

    virtual void PropertyLocalizing(QObject* object, const QString& propName, bool& allow,
                                    QString& newValue);
    virtual void PropertyLocalized(QObject* object, const QString& propName, const QString& value);
    virtual void PropertySaving(QObject* object, const QString& propName, bool& allow,
                                QString& newValue);
    virtual void PropertySaved(QObject* object, const QString& propName, const QString& value);
    virtual void LocalizeSection(const QString& section);
    virtual void SaveSection(const QString& section);

    // The key scheme shared with the language files.
    QString ComponentPath(const QObject* component) const;
    QString PropertyKey(const QObject* object, const QString& propName) const;
    struct ResolvedKey
    {
        QObject* object = nullptr; // null when the key names nothing
        QString propName;
    };
    ResolvedKey ResolveKey(const QString& key) const;

    void CaptureOriginals();
    void RestoreOriginals(const QStringList& propNames);
    void ApplyValue(QObject* object, const QString& propName, const QString& value,
                    const QStringList& propNames);
    void ApplyCharsetAndBiDiMode(int charSet, int biDiMode);

private:
    friend class LocalizerPlan;
    struct Walk
    {
        QStringList* target; // capture into this list, or save to the source when null
        QString section;
        QStringList propNames;
        // Lower-cased key -> line of target, so that a key captured twice
        // replaces its line without searching the list.
        QHash<QString, qsizetype>* lines = nullptr;
    };
    using PropertyRef = std::shared_ptr<const ComponentModel::Property>;

    void walkWindow(const Walk& walk);
    bool processObject(QObject* object, const Walk& walk, const std::optional<QString>& prefix);
    QString propertyText(QObject* object, const QString& propName, const Walk& walk,
                         const std::optional<QString>& prefix);
    void followDependency(QObject* object, const QString& propName, QObject*& readObject,
                          QString& readName);
    void storeLine(const Walk& walk, const QString& key, const QString& value);
    void applyProperty(QObject* object, QString propName, PropertyRef property,
                       const QString& value);

    QStringList m_propNames{QStringLiteral("Caption"), QStringLiteral("Hint")};
    QStringList m_originals;
    QStringList m_dependencies;
    QStringList m_excluded;
    TQSaveOptions m_saveOptions = 0;
    // Everything kept of the window between language changes.
    std::unique_ptr<LocalizerPlan> m_plan;
};
