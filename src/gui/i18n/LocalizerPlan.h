#pragma once

#include "gui/controls/ComponentModel.h"

#include <QHash>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QObject;
class TQFormLocalizer;

// What a form localizer keeps of its window between language changes, so
// that a switch reads, resolves and writes without finding every component
// and property again: the property lookups per component, the plan of every
// property a walk of the window asks for with its key, the originals as last
// captured through the plan, the active language's section resolved against
// the plan, and the character set and text direction last applied. All of it
// holds while the component tree and the localizer's lists stand as they
// were; anything else is found the general way.
class LocalizerPlan
{
public:
    using PropertyRef = std::shared_ptr<const ComponentModel::Property>;

    // One property a walk of the window asks for, with its key.
    struct Entry
    {
        QObject* object;
        QString propName;
        PropertyRef property; // null when what it is follows its value
        QString key;
    };
    // A line of the active language's section.
    struct SectionLine
    {
        const Entry* entry; // null when the key is not planned
        QString key;
        QString value;
    };
    class Section;

    explicit LocalizerPlan(const TQFormLocalizer& localizer);
    ~LocalizerPlan();
    LocalizerPlan(const LocalizerPlan&) = delete;
    LocalizerPlan& operator=(const LocalizerPlan&) = delete;

    // The localizer's PropNames, Dependencies or Excluded changed.
    void ListsChanged() { ++m_listsRevision; }
    // Its Originals were replaced, captured or shortened.
    void OriginalsChanged() { ++m_originalsRevision; }

    // ComponentModel::property, kept for the window and its components.
    PropertyRef Lookup(QObject* object, const QString& propName);
    // The entry of a key exactly as composed, where resolving the key would
    // find that same object and property; null otherwise.
    const Entry* Planned(QStringView key);

    // Captures every planned property's text into an empty list, when the
    // plan can: the same property names, keys that cannot meet, every entry
    // with its property. Lines captured as the originals are remembered for
    // RestoreCaptured. False when the general walk must do it.
    bool CaptureInto(QStringList& target, const QStringList& propNames, bool asOriginals);
    // Puts the originals captured through the plan back, line by line, each
    // to the property it was read from, taking each line from originals.
    // Gives up as soon as the lines or the window are no longer as they
    // were (apply may change either), leaving the rest to the caller.
    void RestoreCaptured(QStringList& originals,
                         const std::function<void(const Entry&, const QString&)>& apply);

    // The section's entries resolved against the plan; held by the caller
    // while it applies them, checked with Stands between entries (a handler
    // may change the window). Null when there is no plan.
    std::shared_ptr<const Section> Resolve(const QStringList& entries);
    bool Stands(const Section& section) const;
    static const std::vector<SectionLine>& Lines(const Section& section);

    // Whether these values were the last applied to the tree as it stands.
    bool LookApplied(int charSet, int biDiMode) const;
    void NoteLookApplied(int charSet, int biDiMode);

    // The text a property gives to a capture.
    static QString CapturedText(const ComponentModel::Property& p);
    // Whether a text is spaces and control characters only, which a saved
    // language file leaves out.
    static bool IsBlank(const QString& text);

private:
    struct Plan;
    struct CapturedLine
    {
        const Entry* entry;
        QString value;
    };
    struct Captured
    {
        std::vector<CapturedLine> lines;
        quint64 planVersion = 0;
        quint64 listsRevision = 0;
        quint64 originalsRevision = 0;
    };
    struct AppliedLook
    {
        int charSet;
        int biDiMode;
        quint64 structure;
        quint64 state;
    };

    // Null while dependencies are set (they are followed at every read).
    const Plan* current();
    bool stands(quint64 version, quint64 listsRevision) const;
    static const Entry* planned(const Plan& plan, QStringView key);

    const TQFormLocalizer& m_localizer;
    QHash<QObject*, QVarLengthArray<std::pair<QString, PropertyRef>, 6>> m_properties;
    quint64 m_propertiesVersion = 0;
    std::unique_ptr<Plan> m_plan;
    Captured m_captured;
    std::shared_ptr<const Section> m_section;
    std::optional<AppliedLook> m_applied;
    quint64 m_listsRevision = 0;
    quint64 m_originalsRevision = 0;
};
